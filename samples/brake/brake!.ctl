; Brake! configuration of the Tarvix sample station
; (written by tarvix-genbrake)
ADDRESS    2:5030/999
SYSTEM     "Tarvix Sample Station"
SYSOP      "Sample Sysop"
LOCATION   "Saint Petersburg"
PORT       2
LOG        BRAKE.LOG

; the file tree that requested files are served from
#Macro     $AREA  FILES
TREE       .\$AREA\
ALIAS      FILES
ALIAS      NODELIST

; the systems known by name
#Include   nodes.ctl

COMPLETE.  Brake! reads nothing after this line
TREE       C:\BRAKE\OLDFILES
