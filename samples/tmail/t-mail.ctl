; T-Mail 2604 configuration, task %TASKNO%
; Sample installation written by tarvix-gentmail. File names are relative
; to the T-Mail directory, which is where T-Mail runs.

Address         2:5030/999
SysOp           Sample Sysop
Station         Tarvix Sample Station
Place           Moscow, Russia
Phone           7-095-999-0999
Modem_Init      ATZ|AT&F&C1&D2X4|

Sys_Path        .\
Log             t-mail.log      ; the log of this task
Freq_Dir        dir.frq
Freq_Ndx        index.frq
  [1]  Chat_Log  chat%TASKNO%.log

; address aliases and the rest of the network set-up
Include         addr.ctl
