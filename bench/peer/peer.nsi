; The peer installer for the side-by-side comparison: the job setup.exe does on media made by
; scripts/make-media --ini, written for NSIS. Like setup.exe it carries no files of its own: it
; reads the setup data and the release file from the folder it runs from and copies the file
; set from there. Build:
;   makensis -DTARGET=amd64-unicode -DOUTFILE=peer.exe peer.nsi   (runs under wine64)
;   makensis -DTARGET=x86-ansi -DOUTFILE=peer32.exe peer.nsi       (the size comparison)

!ifndef TARGET
!define TARGET x86-ansi
!endif
!ifndef OUTFILE
!define OUTFILE peer.exe
!endif
!ifndef COMPRESSOR
!define COMPRESSOR zlib
!endif
Target ${TARGET}
SetCompressor /SOLID ${COMPRESSOR}
OutFile "${OUTFILE}"
Name "Kestrane Software Installer"
RequestExecutionLevel admin
SilentInstall silent
SilentUnInstall silent
InstallDir "$PROGRAMFILES\Kestrane\Software Installer"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!include LogicLib.nsh

!define PRODUCT_KEY "SOFTWARE\NRX\KestraneSoftwareInstaller"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KestraneSoftwareInstaller"
!define BUTTON_KEY "SOFTWARE\Microsoft\Internet Explorer\Extensions\{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}"

Var Name
Var Version
Var Group
Var MenuDir
Var DownloadDir

; ReadSetup FILE SECTION KEY -> $0: the value, a %KEY% value resolved from STRINGS.0409,
; STRINGS.0009 or STRINGS of the same file.
!macro ReadSetup FILE SECTION KEY
    ReadINIStr $0 "${FILE}" "${SECTION}" "${KEY}"
    Push "${FILE}"
    Call ResolveReference
!macroend

Function ResolveReference
    Exch $1 ; file
    Push $2
    Push $3
    StrCpy $2 $0 1
    StrCpy $3 $0 1 -1
    ${If} $2 == "%"
    ${AndIf} $3 == "%"
    ${AndIf} $0 != "%"
        StrCpy $2 $0 -1 1
        ReadINIStr $0 $1 "STRINGS.0409" $2
        ${If} $0 == ""
            ReadINIStr $0 $1 "STRINGS.0009" $2
        ${EndIf}
        ${If} $0 == ""
            ReadINIStr $0 $1 "STRINGS" $2
        ${EndIf}
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
FunctionEnd

; SplitFirst: $0 list -> $1 first piece, $0 the rest behind the first ";" (empty at the end).
Function SplitFirst
    Push $2
    Push $3
    StrCpy $1 ""
    StrCpy $2 0
    ${Do}
        StrCpy $3 $0 1 $2
        ${If} $3 == ""
        ${OrIf} $3 == ";"
            ${ExitDo}
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    StrCpy $1 $0 $2
    IntOp $2 $2 + 1
    StrCpy $0 $0 "" $2
    Pop $3
    Pop $2
FunctionEnd

Section
    SetShellVarContext all
    !insertmacro ReadSetup "$EXEDIR\Quolen.zel" RELEASE NAME
    StrCpy $Name $0
    !insertmacro ReadSetup "$EXEDIR\Quolen.zel" RELEASE VERSION
    StrCpy $Version $0
    !insertmacro ReadSetup "$EXEDIR\ZelSetup.dat" INIT TARGET
    StrCpy $INSTDIR "$PROGRAMFILES\$0"
    !insertmacro ReadSetup "$EXEDIR\ZelSetup.dat" INIT GROUP
    StrCpy $Group $0
    StrCpy $MenuDir "$SMPROGRAMS\$Group"

    ; The file set, copied from the media; this installer's own uninstaller in the Windows
    ; folder where setup.exe puts its copy.
    CreateDirectory $INSTDIR
    CopyFiles /SILENT "$EXEDIR\Quolen" "$INSTDIR\Quolen.exe"
    CopyFiles /SILENT "$EXEDIR\Quolen.zel" "$INSTDIR\ZelSetup.ini"
    CopyFiles /SILENT "$EXEDIR\ZelSetup.dat" "$INSTDIR\ZelSetup.dat"
    CopyFiles /SILENT "$EXEDIR\ZelSetup.dll" "$INSTDIR\ZelSetup.dll"
    CopyFiles /SILENT "$EXEDIR\ZELSYSID.sys" "$INSTDIR\ZELSYSID.sys"
    CopyFiles /SILENT "$EXEDIR\ZELSYSID.vxd" "$INSTDIR\ZELSYSID.vxd"
    CopyFiles /SILENT "$EXEDIR\zelliba.dll" "$INSTDIR\zelliba.dll"
    CopyFiles /SILENT "$EXEDIR\zellibb.dll" "$INSTDIR\zellibb.dll"
    CopyFiles /SILENT "$EXEDIR\unicows.dll" "$INSTDIR\unicows.dll"
    CopyFiles /SILENT "$EXEDIR\ZELNTDEV.sys" "$INSTDIR\ZELNTDEV.sys"
    CopyFiles /SILENT "$EXEDIR\ZelFlash.dll" "$INSTDIR\ZelFlash.dll"
    WriteUninstaller "$WINDIR\_zelu000.exe"

    ; Three shortcuts: desktop (the user's), Start menu and menu folder (all users').
    SetShellVarContext current
    CreateShortCut "$DESKTOP\$Name.lnk" "$INSTDIR\Quolen.exe" "" "$INSTDIR\Quolen.exe" 1
    SetShellVarContext all
    CreateShortCut "$STARTMENU\$Name.lnk" "$INSTDIR\Quolen.exe" "" "$INSTDIR\Quolen.exe" 1
    CreateDirectory $MenuDir
    CreateShortCut "$MenuDir\$Name.lnk" "$INSTDIR\Quolen.exe" "" "$INSTDIR\Quolen.exe" 1

    ; The product key values.
    WriteRegStr HKLM "${PRODUCT_KEY}" "ProgDir" $INSTDIR
    WriteRegStr HKLM "${PRODUCT_KEY}" "" "$INSTDIR\Quolen.exe"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Name" $Name
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" $Version

    ; Search paths, and a download folder on the Windows drive when none of them is usable.
    !insertmacro ReadSetup "$EXEDIR\ZelSetup.dat" INIT DEFAULTSEARCH
    StrCpy $DownloadDir "C:\DRIVERS"
    StrCpy $4 ""
    ${DoWhile} $0 != ""
        Call SplitFirst
        WriteRegStr HKLM "${PRODUCT_KEY}\SearchPath\$1" "" $1
        ${If} $4 == ""
        ${AndIf} ${FileExists} "$1\*.*"
            StrCpy $4 $1
        ${EndIf}
    ${Loop}
    ${If} $4 == ""
        !insertmacro ReadSetup "$EXEDIR\ZelSetup.dat" INIT DOWNLOAD
        StrCpy $5 $WINDIR 2
        ${DoWhile} $0 != ""
            Call SplitFirst
            StrCpy $DownloadDir "$5$1"
            ${IfNot} ${FileExists} "$DownloadDir\*.*"
                CreateDirectory $DownloadDir
                WriteRegStr HKLM "${PRODUCT_KEY}\SearchPath\$DownloadDir" "" $DownloadDir
                ${ExitDo}
            ${EndIf}
        ${Loop}
    ${EndIf}
    WriteRegStr HKLM "${PRODUCT_KEY}" "MenuDir" $MenuDir
    ClearErrors
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "DownloadDir"
    ${If} ${Errors}
        WriteRegStr HKLM "${PRODUCT_KEY}" "DownloadDir" $DownloadDir
    ${EndIf}
    !insertmacro ReadSetup "$EXEDIR\ZelSetup.dat" RADAR FILE
    StrCpy $1 $0 1
    ${If} $0 != ""
    ${AndIf} $1 != "."
        WriteRegDWORD HKLM "${PRODUCT_KEY}" "InternetFunction" 1
    ${Else}
        WriteRegDWORD HKLM "${PRODUCT_KEY}" "InternetFunction" 0
    ${EndIf}

    ; The browser toolbar button and the Add/Remove Programs entry.
    WriteRegStr HKLM "${BUTTON_KEY}" "Exec" "$INSTDIR\Quolen.exe"
    WriteRegStr HKLM "${BUTTON_KEY}" "Icon" "_zelu000.exe,100"
    WriteRegStr HKLM "${BUTTON_KEY}" "HotIcon" "_zelu000.exe,100"
    WriteRegStr HKLM "${BUTTON_KEY}" "ButtonText" "Software Installer"
    WriteRegStr HKLM "${BUTTON_KEY}" "clsid" "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"
    WriteRegStr HKLM "${BUTTON_KEY}" "Default Visible" "Yes"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" $Name
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "_zelu000.exe /U"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$WINDIR\_zelu000.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" $Version
    WriteRegStr HKCU "${PRODUCT_KEY}" "Setup" "0000"
SectionEnd

Section Uninstall
    SetShellVarContext all
    ReadRegStr $INSTDIR HKLM "${PRODUCT_KEY}" "ProgDir"
    ReadRegStr $Name HKLM "${PRODUCT_KEY}" "Name"
    ReadRegStr $MenuDir HKLM "${PRODUCT_KEY}" "MenuDir"
    Delete "$INSTDIR\Quolen.exe"
    Delete "$INSTDIR\ZelSetup.ini"
    Delete "$INSTDIR\ZelSetup.dat"
    Delete "$INSTDIR\ZelSetup.dll"
    Delete "$INSTDIR\ZELSYSID.sys"
    Delete "$INSTDIR\ZELSYSID.vxd"
    Delete "$INSTDIR\zelliba.dll"
    Delete "$INSTDIR\zellibb.dll"
    Delete "$INSTDIR\unicows.dll"
    Delete "$INSTDIR\ZELNTDEV.sys"
    Delete "$INSTDIR\ZelFlash.dll"
    Delete /REBOOTOK "$WINDIR\_zelu000.exe"
    Delete "$MenuDir\$Name.lnk"
    RMDir $MenuDir
    Delete "$STARTMENU\$Name.lnk"
    SetShellVarContext current
    Delete "$DESKTOP\$Name.lnk"
    DeleteRegValue HKLM "${PRODUCT_KEY}" ""
    DeleteRegValue HKLM "${PRODUCT_KEY}" "ProgDir"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "Name"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "Version"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "MenuDir"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "DownloadDir"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "ProxyServer"
    DeleteRegKey HKLM "${BUTTON_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}\SearchPath"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    WriteRegStr HKCU "${PRODUCT_KEY}" "Setup" "0000"
SectionEnd
