; Dormex installer. Built by tools/make-dist.sh:
;   makensis -DVERSION=x.y.z -DBIN32=<build>/win32/bin -DBIN64=<build>/win64/bin
;            -DREADME=<README.txt with CRLF> -DOUTFILE=<installer> packaging/dormex.nsi
; Switches: /S silent, /D=<folder> install folder (last on the command line, no quotes).
; Installs into Program Files, registers and starts the service through OrvDx2Setup32.exe /Install,
; and has the watchdog of the machine's width started at every logon (HKLM Run).

!macro Required name
  !ifndef ${name}
    !error "${name} must be given with -D${name}=..."
  !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required BIN32
!insertmacro Required BIN64
!insertmacro Required README
!insertmacro Required OUTFILE

Unicode true
!include LogicLib.nsh
!include x64.nsh
!include WinVer.nsh

!define PRODUCT "Dormex"
!define PUBLISHER "Orvane"
!define SERVICE "Dormex_Serv"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dormex"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Dormex"
!define UNINSTALLER "Uninstall.exe"
!define SC_MANAGER_CONNECT 1
!define SERVICE_QUERY_CONFIG 1
!define CONFIG_BYTES 8192

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
; Chosen in .onInit: the previous installation's folder, else Program Files of the machine's width.
InstallDir ""
ShowInstDetails show
ShowUninstDetails show
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The files of one width; the wave files and the README are the same for both.
!macro Files32 verb
  !insertmacro ${verb} "OrvDx2Serv32.exe"
  !insertmacro ${verb} "OrvDx2App32.exe"
  !insertmacro ${verb} "OrvDx2Demon32.exe"
  !insertmacro ${verb} "OrvDx2Setup32.exe"
  !insertmacro ${verb} "OrvDx2ReBoot32.exe"
  !insertmacro ${verb} "OrvDx2LogView32.exe"
  !insertmacro ${verb} "OrvCtl32.dll"
  !insertmacro ${verb} "OrvDl2SubFuncs32.dll"
  !insertmacro ${verb} "Dx2Sound60.wav"
  !insertmacro ${verb} "Dx2Sound30.wav"
  !insertmacro ${verb} "Dx2Sound10.wav"
  !insertmacro ${verb} "Dx2Sound03.wav"
  !insertmacro ${verb} "Dx2Sound99.wav"
!macroend
!macro Files64 verb
  !insertmacro ${verb} "OrvDx2App64.exe"
  !insertmacro ${verb} "OrvDx2Demon64.exe"
  !insertmacro ${verb} "OrvCtl64.dll"
  !insertmacro ${verb} "OrvDl2SubFuncs64.dll"
!macroend

!macro Install32 name
  File "${BIN32}/${name}"
!macroend
!macro Install64 name
  File "${BIN64}/${name}"
!macroend

; Deletes a file of $INSTDIR; a program that is still ending keeps its file a moment, so wait for it
; up to 10 s, then leave the file to the next restart.
!macro RemoveFile name
  Push "${name}"
  Call RemoveFile
!macroend
!macro un.RemoveFile name
  Push "${name}"
  Call un.RemoveFile
!macroend

!macro RemoveFileFunction prefix
Function ${prefix}RemoveFile
  Exch $R0
  Push $R1
  StrCpy $R1 0
  ${DoWhile} ${FileExists} "$INSTDIR\$R0"
    ClearErrors
    Delete "$INSTDIR\$R0"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
    ${If} $R1 >= 50
      Delete /REBOOTOK "$INSTDIR\$R0"
      ${Break}
    ${EndIf}
    Sleep 200
  ${Loop}
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro RemoveFileFunction ""
!insertmacro RemoveFileFunction "un."

; Pushes the program the service is registered with (the command line, quoted), or "" when the
; service is not registered.
Function ServiceProgram
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R3 ""
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_CONNECT}) p.R0'
  ${If} $R0 P<> 0
    System::Call 'advapi32::OpenServiceW(p R0, w "${SERVICE}", i ${SERVICE_QUERY_CONFIG}) p.R1'
    ${If} $R1 P<> 0
      System::Alloc ${CONFIG_BYTES}
      Pop $R2
      System::Call 'advapi32::QueryServiceConfigW(p R1, p R2, i ${CONFIG_BYTES}, *i 0) i.R3'
      ${If} $R3 != 0
        ; QUERY_SERVICE_CONFIGW: type, start type, error control, binary path name, ...
        System::Call '*$R2(i, i, i, w .R3)'
      ${Else}
        StrCpy $R3 ""
      ${EndIf}
      System::Free $R2
      System::Call 'advapi32::CloseServiceHandle(p R1)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p R0)'
  ${EndIf}
  Exch $R3
  Exch
  Pop $R2
  Exch
  Pop $R1
  Exch
  Pop $R0
FunctionEnd

; Both run in the machine's own registry view: on 64-bit Windows the Run value and the uninstall
; entry belong in the 64-bit one.
!macro InitCommon
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} can only be installed and removed by an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro InitCommon
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} needs Windows 7 or later." /SD IDOK
    SetErrorLevel 1150 ; ERROR_OLD_WIN_VERSION
    Quit
  ${EndIf}
  ; /D= sets $INSTDIR before this point; otherwise install where the last installation was.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINST_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; A Dormex already installed is removed first, so that its service, watchdog and application end
; and their files are free: by its own uninstaller when this installer made it, otherwise (the
; setup tool run by hand) by the setup tool of this package, which removes the service by name.
Function RemovePreviousInstallation
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\${UNINSTALLER}"
    DetailPrint "Removing the installation in $R0"
    ; _?= runs the uninstaller in place, so ExecWait really waits for it.
    ClearErrors
    ExecWait '"$R0\${UNINSTALLER}" /S _?=$R0' $R1
    ${If} ${Errors}
    ${OrIf} $R1 != 0
      MessageBox MB_ICONSTOP|MB_OK "The installation in $R0 could not be removed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    Delete "$R0\${UNINSTALLER}"
    RMDir "$R0"
  ${EndIf}
  Call ServiceProgram
  Pop $R1
  ${If} $R1 != ""
    DetailPrint "Removing the ${SERVICE} service that is registered already"
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${BIN32}/OrvDx2Setup32.exe"
    File "${BIN32}/OrvCtl32.dll"
    File "${BIN32}/OrvDl2SubFuncs32.dll"
    ExecWait '"$PLUGINSDIR\OrvDx2Setup32.exe" /Uninstall'
    SetOutPath "$TEMP" ; so that the plug-ins folder can be removed at the end
  ${EndIf}
FunctionEnd

; Undoes a failed installation: whatever /Install registered or started, then the files.
Function InstallFailed
  Exch $R0
  DetailPrint "$R0"
  ExecWait '"$INSTDIR\OrvDx2Setup32.exe" /Rollback'
  !insertmacro Files32 RemoveFile
  !insertmacro Files64 RemoveFile
  Delete "$INSTDIR\README.txt"
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
  MessageBox MB_ICONSTOP|MB_OK "$R0" /SD IDOK
  SetErrorLevel 2
  Quit
FunctionEnd

Section "Dormex"
  Call RemovePreviousInstallation

  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro Files32 Install32
  ${If} ${RunningX64}
    !insertmacro Files64 Install64
  ${EndIf}
  File "/oname=README.txt" "${README}"

  ; Registers and starts the service and starts the watchdog; everything it does goes to
  ; \Orvane\Dormex\DormexSetup.log on the Windows drive.
  DetailPrint "OrvDx2Setup32.exe /Install"
  ClearErrors
  ExecWait '"$INSTDIR\OrvDx2Setup32.exe" /Install' $0
  ${If} ${Errors}
    Push "OrvDx2Setup32.exe could not be started."
    Call InstallFailed
  ${EndIf}
  ${If} $0 != 0
    Push "OrvDx2Setup32.exe /Install failed with exit code $0."
    Call InstallFailed
  ${EndIf}
  ; The tool always ends with 0: the service registered with our program tells that it worked.
  Call ServiceProgram
  Pop $1
  ${If} $1 != '"$INSTDIR\OrvDx2Serv32.exe"'
    Push "The ${SERVICE} service could not be registered: see DormexSetup.log in \Orvane\Dormex."
    Call InstallFailed
  ${EndIf}

  ; The application in every session: the watchdog of the machine's width at each logon.
  ${If} ${RunningX64}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\OrvDx2Demon64.exe"'
  ${Else}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\OrvDx2Demon32.exe"'
  ${EndIf}

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\OrvDx2App32.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro InitCommon
FunctionEnd

; Ends the watchdog and the application and removes the service, then what the installer wrote.
; The settings and the setup log in \Orvane\Dormex stay.
Section "Uninstall"
  DetailPrint "OrvDx2Setup32.exe /Uninstall"
  ClearErrors
  ExecWait '"$INSTDIR\OrvDx2Setup32.exe" /Uninstall' $0
  ${If} ${Errors}
    DetailPrint "OrvDx2Setup32.exe could not be started: the service stays registered."
  ${EndIf}
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  !insertmacro Files32 un.RemoveFile
  !insertmacro Files64 un.RemoveFile
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  SetOutPath "$TEMP"
  ; Run in place (_?=, by a new installation) the uninstaller stays, and the installer removes it
  ; and the folder; otherwise it runs as a copy in the temporary folder and the folder can go now.
  ${If} $EXEDIR != $INSTDIR
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
