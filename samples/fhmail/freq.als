; File-request magic names of the station: name, file, (comment)
FILES     C:\FHMAIL\FILES\PUB\ALLFILES.LST   (list of all files)
NEWS      C:\FHMAIL\FILES\PUB\NEWS.TXT
@FHMAIL   C:\FHMAIL\FILES\PUB\FHMAIL.ZIP
NODELIST  C:\FHMAIL\FILES\NODELIST\NODELIST.ZIP (zone 2)

