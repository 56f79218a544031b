; Kestrava's per-user setup: no administrator rights, only the user's own
; folder and HKCU are written. Built by the `release` target of each build:
;   makensis -DVERSION=1.0.0.1 -DARCH=x86|x64 -DBIN_DIR=... -DICON=... -DOUTFILE=... Kestrava.nsi
; Both setups install into the same folder and write the same values, so each
; upgrades an install of the other in place. HKCU is one for both registry
; views: no SetRegView.
;
; Command line (besides NSIS's own /S and /D=FOLDER, which comes last, unquoted):
;   /SIGNIN=0|1  start Kestrava at sign-in or not; also sets the check box of
;                an interactive run. Without it a fresh install starts at
;                sign-in and an upgrade keeps the user's choice.
;   /RUN         start Kestrava when a silent install ends (an interactive
;                install always starts it, unless it runs elevated)
;   /DOWNGRADE   replace a newer installed version without asking
; Exit codes: 0 done; 1 cancelled by the user; 2 nothing was changed: Kestrava
; could not be stopped (its hot key editor is open, or it did not end in 10 s)
; or a file could not be written or replaced; 3 (silent) nothing was changed:
; Kestrava runs from another folder; 4 (silent) nothing was changed: a newer
; version is installed and /DOWNGRADE was not given.
;
; An upgrade never leaves a broken install: the new files are written beside
; the old ones first (FILE.new), Kestrava is stopped only then, the old files
; are renamed aside and the new ones renamed into place (no space needed). Any
; failure after that puts the old files back and starts the stopped copy again.

!if ${ARCH} == x64
; A 64-bit setup is the only kind that runs where no 32-bit program can.
Target amd64-unicode
!else
Unicode true
!endif
; A program named "setup" is otherwise elevated by Windows, possibly as another account.
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Kestrava"
!define PUBLISHER "The Kestrava developers"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
; Where Task Manager's Startup page keeps "disabled" for a Run value.
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrava"
!define APPLET_CLASS "CQuindleTaskBarApplet"
!define EDITOR_TITLE "Kestrava - Edit Keys"
!define QUERY_LIMITED 0x1000                ; PROCESS_QUERY_LIMITED_INFORMATION
!define SYNCHRONIZE_QUERY_LIMITED 0x101000  ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
; HKEY_CURRENT_USER for System calls: sign-extended, as the 64-bit API expects it.
!define HKCU_HANDLE -2147483647
!define TokenElevationTypeFull 2
; A copy that does not answer has no tray menu to stop it with.
!define STOP_TIMEOUT_TEXT "Kestrava did not stop within 10 seconds.$\r$\n$\r$\nEnd Kestrava.exe in Task Manager (Ctrl+Shift+Esc, Details page), then run this again."
!define REGISTRY_TEXT "Setup could not write Kestrava's settings into the registry."
!define NEW_FILES_TEXT "Setup could not write Kestrava's new files into $INSTDIR. Is the disk full?"

; This setup's version as GetDLLVersion gives it: (major << 16 | minor, build << 16 | revision).
!searchparse "${VERSION}" "" VER_1 "." VER_2 "." VER_3 "." VER_4
!define /math VER_HI_1 ${VER_1} << 16
!define /math VER_HI ${VER_HI_1} | ${VER_2}
!define /math VER_LO_1 ${VER_3} << 16
!define /math VER_LO ${VER_LO_1} | ${VER_4}

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The data file lives beside the program, so the folder must be the user's own.
InstallDir "$LOCALAPPDATA\Programs\Kestrava"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrava Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "Kestrava-${VERSION}-${ARCH}-setup.exe"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; Set by the install: Kestrava is not started everywhere.
!define MUI_FINISHPAGE_TITLE "$FinishTitle"
!define MUI_FINISHPAGE_TEXT "$FinishText"

Var SignIn        ; 1: start at sign-in
Var SignInBox
Var SignInChosen  ; 1: $SignIn is the user's choice; 0: a silent upgrade keeps what is there
Var RunAtEnd      ; 1: start Kestrava when a silent install ends
Var Downgrade     ; 1: /DOWNGRADE
Var Elevated      ; 1: elevated above the user's desktop: never start Kestrava
Var Fresh         ; 1: no Kestrava was installed in $INSTDIR
Var Changing      ; 1: the install has begun to write
Var KWindow       ; FindKestrava's answer: the applet window (0: none)
Var KPid
Var KImage
Var KOurs         ; 1: it runs $INSTDIR\Kestrava.exe
Var OtherImage    ; a Kestrava running from another folder ("" if none)
Var StopOther     ; 1: the user agreed to stop it
Var CopyData      ; 1: copy its data file into $INSTDIR
Var Copied        ; data files copied into $INSTDIR: 1 Kestrava.dat, 2 Kestrava.dat.bak
Var StartupLink   ; a Startup shortcut to another Kestrava.exe that the user agreed to remove
Var StartupTarget
Var Stopped       ; the image of the Kestrava this setup stopped ("" if none)
Var AsideExe      ; where the old files were renamed aside ("" if nowhere)
Var AsideHook
Var AsideUninst
Var PlacedExe     ; 1: the new file is in place
Var PlacedHook
Var PlacedUninst
Var FinishTitle
Var FinishText

Page custom SignInPage SignInPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Set-aside files that are no longer in use, and new files of an interrupted
; install; only our own names.
!macro DELETE_LEFTOVERS
    Delete "$INSTDIR\Kestrava.exe*.old"
    Delete "$INSTDIR\Kestrahk.dll*.old"
    Delete "$INSTDIR\Uninstall.exe*.old"
    Delete "$INSTDIR\Kestrava.exe.new"
    Delete "$INSTDIR\Kestrahk.dll.new"
    Delete "$INSTDIR\Uninstall.exe.new"
!macroend

; Sets $R0 to a free set-aside name for FILE: FILE.old, FILE.2.old, ...
; Kestrahk.dll stays mapped in programs that took keys while the hook was
; installed (they unload it only when they next handle input), so an older
; set-aside copy may still be there. Uses $R1.
!macro ASIDE_NAME FILE
    StrCpy $R0 "$INSTDIR\${FILE}.old"
    StrCpy $R1 1
    ${DoWhile} ${FileExists} $R0
        IntOp $R1 $R1 + 1
        StrCpy $R0 "$INSTDIR\${FILE}.$R1.old"
    ${Loop}
!macroend

; Everything after Kestrava was stopped fails through here: the old files go
; back, the stopped copy starts again, and the user is told that nothing changed.
!macro FAIL TEXT
    Call Rollback
    DetailPrint "${TEXT}"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}$\r$\n$\r$\n$R9" /SD IDOK
    SetErrorLevel 2
    Abort $R9
!macroend

; Pushes FILE's identity ("volume serial:index high:index low"), or "" if it
; cannot be opened: two paths name the same file exactly when their identities
; match, whatever junctions, subst drives or short names they go through.
!macro DEFINE_FILE_IDENTITY UN
Function ${UN}FileIdentity
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    System::Call 'kernel32::CreateFileW(w r0, i 0x80, i 7, p 0, i 3, i 0, p 0) p .r1'  ; FILE_READ_ATTRIBUTES, share all, OPEN_EXISTING
    StrCpy $0 ""
    ${If} $1 P<> -1
        System::Call '*(&i52) p .r2'  ; BY_HANDLE_FILE_INFORMATION
        System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r3'
        ${If} $3 <> 0
            System::Call '*$2(i, i, i, i, i, i, i, i .r3, i, i, i, i .r4, i .r5)'
            StrCpy $0 "$3:$4:$5"
        ${EndIf}
        System::Free $2
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd
!macroend
!insertmacro DEFINE_FILE_IDENTITY ""
!insertmacro DEFINE_FILE_IDENTITY "un."

; Finds a running Kestrava: a hidden applet window whose process runs a file
; named Kestrava.exe (the window class belongs to a reusable framework). Sets
; $KWindow (0 if none runs), $KPid, $KImage, and $KOurs to 1 if the image is
; $INSTDIR\Kestrava.exe itself. Only one Kestrava runs per session.
; Uses $R0..$R3.
!macro DEFINE_FIND_KESTRAVA UN
Function ${UN}FindKestrava
    Push "$INSTDIR\Kestrava.exe"
    Call ${UN}FileIdentity
    Pop $R3
    StrCpy $KWindow 0
next:
    System::Call 'user32::FindWindowExW(p 0, p $KWindow, w "${APPLET_CLASS}", p 0) p .s'
    Pop $KWindow
    StrCmp $KWindow 0 done
    System::Call 'user32::GetWindowThreadProcessId(p $KWindow, *i .s)'
    Pop $KPid
    System::Call 'kernel32::OpenProcess(i ${QUERY_LIMITED}, i 0, i $KPid) p .R0'
    StrCmp $R0 0 next
    StrCpy $KImage ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p R0, i 0, w .s, *i ${NSIS_MAX_STRLEN})'
    Pop $KImage
    System::Call 'kernel32::CloseHandle(p R0)'
    StrCpy $R1 $KImage "" -13
    StrCmp $R1 "\Kestrava.exe" 0 next  ; StrCmp ignores case, as Windows names do
    Push $KImage
    Call ${UN}FileIdentity
    Pop $R2
    StrCpy $KOurs 0
    ${If} $R2 != ""
    ${AndIf} $R2 == $R3
        StrCpy $KOurs 1
    ${EndIf}
done:
FunctionEnd

; Ends the Kestrava that FindKestrava found: its hidden window gets WM_CLOSE.
; Sets $R0 to "" when it ended, "editor" if its hot key editor is open (closing
; under it would lose what the user typed there), "timeout" if it did not end
; within 10 s. Uses $R0..$R2.
Function ${UN}StopFound
    StrCpy $R0 ""
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_QUERY_LIMITED}, i 0, i $KPid) p .R1'
    ${If} $R1 == 0
        ; Gone since, or out of reach: then it cannot be waited for.
        System::Call 'user32::IsWindow(p $KWindow) i .R2'
        ${If} $R2 <> 0
            StrCpy $R0 "timeout"
        ${EndIf}
        Return
    ${EndIf}
    StrCpy $R2 0
find_editor:
    System::Call 'user32::FindWindowExW(p 0, p R2, p 0, w "${EDITOR_TITLE}") p .R2'
    StrCmp $R2 0 close
    System::Call 'user32::GetWindowThreadProcessId(p R2, *i .s)'
    Pop $R0
    StrCmp $R0 $KPid 0 find_editor
    StrCpy $R0 "editor"
    Goto closed
close:
    StrCpy $R0 ""
    DetailPrint "Stopping Kestrava..."
    System::Call 'user32::PostMessageW(p $KWindow, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p R1, i 10000) i .R2'
    ${If} $R2 != 0  ; WAIT_OBJECT_0
        StrCpy $R0 "timeout"
    ${EndIf}
closed:
    System::Call 'kernel32::CloseHandle(p R1)'
FunctionEnd
!macroend
!insertmacro DEFINE_FIND_KESTRAVA ""
!insertmacro DEFINE_FIND_KESTRAVA "un."

; $R0: the token elevation type of the process HANDLE (0 if unknown). Uses $R1, $R2.
!macro TOKEN_ELEVATION_TYPE HANDLE
    StrCpy $R0 0
    System::Call 'advapi32::OpenProcessToken(p ${HANDLE}, i 8, *p .R1) i .R2'  ; TOKEN_QUERY
    ${If} $R2 <> 0
        System::Call 'advapi32::GetTokenInformation(p R1, i 18, *i .R0, i 4, *i .R2)'  ; TokenElevationType
        System::Call 'kernel32::CloseHandle(p R1)'
    ${EndIf}
!macroend

; Sets $Elevated if this setup runs elevated through UAC while the user's
; desktop does not: Kestrava started from here would start every program
; elevated until sign-out. The taskbar's process is the reference, because
; where every process has the full token (UAC off for the shell, or Wine)
; elevation changes nothing. Uses $R0..$R3.
Function CheckElevation
    StrCpy $Elevated 0
    !insertmacro TOKEN_ELEVATION_TYPE -1  ; the current process
    ${If} $R0 == ${TokenElevationTypeFull}
        StrCpy $Elevated 1
        FindWindow $R3 "Shell_TrayWnd"
        ${If} $R3 <> 0
            System::Call 'user32::GetWindowThreadProcessId(p R3, *i .R3)'
            System::Call 'kernel32::OpenProcess(i ${QUERY_LIMITED}, i 0, i R3) p .R3'
            ${If} $R3 <> 0
                !insertmacro TOKEN_ELEVATION_TYPE $R3
                System::Call 'kernel32::CloseHandle(p R3)'
                ${If} $R0 == ${TokenElevationTypeFull}
                    StrCpy $Elevated 0
                ${EndIf}
            ${EndIf}
        ${EndIf}
    ${EndIf}
FunctionEnd

; $R0: 1 when Task Manager's Startup page has turned Kestrava's Run value off.
; Bit 0 of the first byte of its StartupApproved entry says so (03, 07);
; 02, 06 or no entry means on. Uses $R1, $R2.
Function StartupDisabled
    StrCpy $R0 0
    System::Call '*(&i64) p .R1'
    System::Call 'advapi32::RegGetValueW(p ${HKCU_HANDLE}, w "${APPROVED_KEY}", w "Kestrava", i 8, p 0, p R1, *i 64) i .R2'  ; RRF_RT_REG_BINARY
    ${If} $R2 == 0
        System::Call '*$R1(&i1 .R2)'
        IntOp $R0 $R2 & 1
    ${EndIf}
    System::Free $R1
FunctionEnd

; Sets $StartupLink to a shortcut in the user's Startup folder that starts a
; Kestrava.exe other than the installed one ("" if none), $StartupTarget to
; that program. At each sign-in it would race the Run value for the
; single-instance mutex. Uses $R0..$R6.
Function FindStartupLink
    StrCpy $StartupLink ""
    Push "$INSTDIR\Kestrava.exe"
    Call FileIdentity
    Pop $R6
    FindFirst $R0 $R1 "$SMSTARTUP\*.lnk"
    ${DoWhile} $R1 != ""
        StrCpy $R5 ""
        System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, g "{000214F9-0000-0000-C000-000000000046}", *p .R2) i .R3'  ; ShellLink, IShellLinkW
        ${If} $R3 == 0
            System::Call '$R2->0(g "{0000010b-0000-0000-C000-000000000046}", *p .R3) i .R4'  ; IPersistFile
            ${If} $R4 == 0
                System::Call '$R3->5(w "$SMSTARTUP\$R1", i 0) i .R4'  ; Load
                ${If} $R4 == 0
                    System::Call '$R2->3(w .R5, i ${NSIS_MAX_STRLEN}, p 0, i 0)'  ; GetPath
                ${EndIf}
                System::Call '$R3->2()'
            ${EndIf}
            System::Call '$R2->2()'
        ${EndIf}
        StrCpy $R4 $R5 "" -13
        ${If} $R4 == "\Kestrava.exe"
            Push $R5
            Call FileIdentity
            Pop $R4
            ${If} $R4 != ""
            ${AndIf} $R4 != $R6
                StrCpy $StartupLink "$SMSTARTUP\$R1"
                StrCpy $StartupTarget $R5
                ${Break}
            ${EndIf}
        ${EndIf}
        FindNext $R0 $R1
    ${Loop}
    FindClose $R0
    ClearErrors
FunctionEnd

; Sets $R0 to 1 if the installed Kestrahk.dll has the bytes of the new one.
; Programs that have it mapped keep using that copy for the next hook too:
; replacing an unchanged library would only cost them their hot keys until
; they restart. Uses $R0..$R4.
Function HookUnchanged
    StrCpy $R0 0
    IfFileExists "$INSTDIR\Kestrahk.dll" 0 done
    ClearErrors
    FileOpen $R1 "$INSTDIR\Kestrahk.dll.new" r
    FileOpen $R2 "$INSTDIR\Kestrahk.dll" r
    IfErrors close
next:
    FileReadByte $R1 $R3
    IfErrors new_ended
    FileReadByte $R2 $R4
    IfErrors close
    StrCmp $R3 $R4 next close
new_ended:
    ClearErrors
    FileReadByte $R2 $R4
    IfErrors 0 close
    StrCpy $R0 1
close:
    FileClose $R1
    FileClose $R2
done:
    ClearErrors
FunctionEnd

; Puts FILE.new (if there is one) in place of FILE. The old FILE is renamed
; aside (the name goes to ASIDE) and kept until the install is complete;
; PLACED becomes 1 once the new file is in place. Uses $R0, $R1.
!macro SWAP FILE ASIDE PLACED
    ${If} ${FileExists} "$INSTDIR\${FILE}.new"
        ${If} ${FileExists} "$INSTDIR\${FILE}"
            !insertmacro ASIDE_NAME ${FILE}
            ClearErrors
            Rename "$INSTDIR\${FILE}" $R0
            ${If} ${Errors}
                !insertmacro FAIL "Setup could not replace $INSTDIR\${FILE}: another program is using it. Close programs that may use it (a backup or virus scanner, say), then run this again."
            ${EndIf}
            StrCpy ${ASIDE} $R0
        ${EndIf}
        ClearErrors
        Rename "$INSTDIR\${FILE}.new" "$INSTDIR\${FILE}"
        ${If} ${Errors}
            !insertmacro FAIL "Setup could not put the new $INSTDIR\${FILE} in place."
        ${EndIf}
        StrCpy ${PLACED} 1
    ${EndIf}
!macroend

!macro RESTORE FILE ASIDE PLACED
    ${If} ${PLACED} == 1
        Delete "$INSTDIR\${FILE}"
        StrCpy ${PLACED} 0
    ${EndIf}
    ${If} ${ASIDE} != ""
        Rename ${ASIDE} "$INSTDIR\${FILE}"
        StrCpy ${ASIDE} ""
    ${EndIf}
    Delete "$INSTDIR\${FILE}.new"
!macroend

; Undoes what the install did so far and starts the Kestrava it stopped
; again. Sets $R9 to what the user is left with. Safe to call twice.
Function Rollback
    !insertmacro RESTORE Kestrava.exe $AsideExe $PlacedExe
    !insertmacro RESTORE Kestrahk.dll $AsideHook $PlacedHook
    !insertmacro RESTORE Uninstall.exe $AsideUninst $PlacedUninst
    ; Only data files this setup copied; the user's own stay.
    IntOp $R0 $Copied & 1
    ${If} $R0 <> 0
        Delete "$INSTDIR\Kestrava.dat"
    ${EndIf}
    IntOp $R0 $Copied & 2
    ${If} $R0 <> 0
        Delete "$INSTDIR\Kestrava.dat.bak"
    ${EndIf}
    StrCpy $Copied 0
    ${If} $Fresh == 1
    ${AndIf} $Changing == 1
        Delete "$SMPROGRAMS\Kestrava.lnk"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
        SetOutPath "$TEMP"  ; the working folder cannot be removed
        RMDir "$INSTDIR"    ; only if empty
    ${EndIf}
    StrCpy $R9 "Nothing was changed."
    ${If} $Stopped != ""
        ${If} $Elevated == 1
            StrCpy $R9 "Nothing was changed. Kestrava was stopped: start $Stopped again."
        ${Else}
            Exec '"$Stopped"'
            StrCpy $R9 "Nothing was changed: Kestrava runs again."
        ${EndIf}
        StrCpy $Stopped ""
    ${EndIf}
    ClearErrors
FunctionEnd

; Stops the Kestrava that runs from $INSTDIR, and the one from another folder
; if the user agreed. Fails (exit code 2) if the editor is open or it does not end.
Function StopKestrava
retry:
    Call FindKestrava
    ${If} $KWindow == 0
        Return
    ${EndIf}
    ${If} $KOurs == 0
    ${AndIf} $StopOther != 1
        Return
    ${EndIf}
    Call StopFound
    ${If} $R0 == "editor"
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Kestrava's hot key editor is open.$\r$\n$\r$\nClose the editor (Save & Close or Close), then click Retry." /SD IDCANCEL IDRETRY retry
        Call Rollback
        SetErrorLevel 2
        Abort "Kestrava's hot key editor is open: nothing was changed."
    ${ElseIf} $R0 == "timeout"
        !insertmacro FAIL "${STOP_TIMEOUT_TEXT}"
    ${EndIf}
    StrCpy $Stopped $KImage
    Goto retry
FunctionEnd

Function .onInit
!if ${ARCH} == x86
    ; Windows runs a 32-bit hook library for 64-bit programs back in
    ; Kestrava's own process, one round trip per keystroke.
    ${If} ${RunningX64}
        MessageBox MB_YESNO|MB_ICONINFORMATION "This setup installs the 32-bit Kestrava. Your Windows is 64-bit: Kestrava-${VERSION}-x64-setup.exe installs the 64-bit Kestrava, whose hook works directly in the 64-bit programs you type into.$\r$\n$\r$\nInstall the 32-bit Kestrava anyway?" /SD IDYES IDYES install_x86
        SetErrorLevel 1
        Quit
    install_x86:
    ${EndIf}
!endif
    ${GetParameters} $R0
    StrCpy $SignIn 1
    StrCpy $SignInChosen 0
    ClearErrors
    ${GetOptions} $R0 "/SIGNIN=" $R1
    ${IfNot} ${Errors}
        StrCpy $SignInChosen 1
        ${If} $R1 == 0
            StrCpy $SignIn 0
        ${EndIf}
    ${EndIf}
    StrCpy $RunAtEnd 0
    ClearErrors
    ${GetOptions} $R0 "/RUN" $R1
    ${IfNot} ${Errors}
        StrCpy $RunAtEnd 1
    ${EndIf}
    StrCpy $Downgrade 0
    ClearErrors
    ${GetOptions} $R0 "/DOWNGRADE" $R1
    ${IfNot} ${Errors}
        StrCpy $Downgrade 1
    ${EndIf}

    Call CheckElevation
    ${If} $Elevated == 1
        MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "This setup runs as administrator.$\r$\n$\r$\nKestrava started from here would run as administrator, and so would every program you start with the Windows key and a letter. If you entered the password of another account, Kestrava is also installed for that account, not for you.$\r$\n$\r$\nClick Cancel and run this again without administrator rights, or OK to install without starting Kestrava." /SD IDOK IDOK elevated_ok
        SetErrorLevel 1
        Quit
    elevated_ok:
    ${EndIf}

    StrCpy $Fresh 1
    ${If} ${FileExists} "$INSTDIR\Kestrava.exe"
        StrCpy $Fresh 0
        ; An older setup does not silently replace a newer Kestrava.
        ClearErrors
        GetDLLVersion "$INSTDIR\Kestrava.exe" $R0 $R1
        ${IfNot} ${Errors}
        ${AndIf} $Downgrade == 0
            IntCmpU $R0 ${VER_HI} 0 older newer
            IntCmpU $R1 ${VER_LO} older older newer
        newer:
            IntOp $R2 $R0 >> 16
            IntOp $R3 $R0 & 0xFFFF
            IntOp $R4 $R1 >> 16
            IntOp $R5 $R1 & 0xFFFF
            MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "A newer Kestrava ($R2.$R3.$R4.$R5) is installed in $INSTDIR.$\r$\n$\r$\nReplace it with the older ${VERSION}?" /SD IDNO IDYES older
            SetErrorLevel 1
            ${If} ${Silent}
                SetErrorLevel 4
            ${EndIf}
            Quit
        older:
        ${EndIf}
        ; An upgrade starts from what Windows does now: the Run value, unless
        ; Task Manager has turned it off.
        ${If} $SignInChosen == 0
            ReadRegStr $R3 HKCU "${RUN_KEY}" "Kestrava"
            Call StartupDisabled
            ${If} $R0 == 1
            ${OrIf} $R3 == ""
                StrCpy $SignIn 0
            ${EndIf}
        ${EndIf}
    ${EndIf}
    ; A fresh install and an interactive run set the value as the box says.
    ${If} $Fresh == 1
    ${OrIfNot} ${Silent}
        StrCpy $SignInChosen 1
    ${EndIf}
FunctionEnd

Function SignInPage
    !insertmacro MUI_HEADER_TEXT "Start at sign-in" "Kestrava starts your programs only while it runs."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 30u "Kestrava waits in the notification area of the taskbar: hold the Windows key and press a letter, and Win + A ... Win + Z start what you assigned to that letter. Windows can start it for you each time you sign in."
    Pop $0
    ${NSD_CreateCheckbox} 0 40u 100% 12u "Start Kestrava when I sign in"
    Pop $SignInBox
    ${If} $SignIn == 1
        ${NSD_Check} $SignInBox
    ${EndIf}
    ${NSD_CreateLabel} 0 64u 100% 20u "You can change this later: run this setup again, or use the Startup page of Task Manager."
    Pop $0
    ; This is the only page before installing.
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
    nsDialogs::Show
FunctionEnd

Function SignInPageLeave
    ${NSD_GetState} $SignInBox $SignIn
FunctionEnd

; Asks (interactive) or refuses (silent, exit code 3) when Kestrava runs from
; another folder: the Kestrava installed here could not start beside it.
Function CheckOtherKestrava
    StrCpy $OtherImage ""
    Call FindKestrava
    ${If} $KWindow == 0
    ${OrIf} $KOurs == 1
        Return
    ${EndIf}
    StrCpy $OtherImage $KImage
    StrCpy $R0 $KImage -13  ; its folder
    ${If} ${Silent}
        SetErrorLevel 3
        Abort "Kestrava runs from $R0: nothing was changed."
    ${EndIf}
    StrCpy $CopyData 0
    StrCpy $R1 "Stop that copy now?$\r$\n$\r$\nYes stops it."
    ${IfNot} ${FileExists} "$INSTDIR\Kestrava.dat"
    ${AndIf} ${FileExists} "$R0\Kestrava.dat"
        StrCpy $CopyData 1
        StrCpy $R1 "Stop that copy now, and copy its hot keys (Kestrava.dat) into the new folder?$\r$\n$\r$\nYes stops it and copies the hot keys."
    ${EndIf}
    MessageBox MB_YESNOCANCEL|MB_ICONQUESTION "Kestrava is already running from another folder:$\r$\n$R0$\r$\n$\r$\nOnly one Kestrava runs at a time: while that copy runs, the Kestrava installed in $INSTDIR cannot start.$\r$\n$\r$\n$R1 No installs and leaves it running. Cancel quits setup." IDYES stop IDNO keep
    SetErrorLevel 1
    Abort "Cancelled: nothing was changed."
stop:
    StrCpy $StopOther 1
    Return
keep:
    StrCpy $CopyData 0
FunctionEnd

; A data file of the other copy, into a folder that has none; BIT goes into
; $Copied, so that a rollback removes only what was copied. Uses $R0, $R1.
!macro COPY_DATA NAME BIT
    StrCpy $R0 $OtherImage -13
    ${If} ${FileExists} "$R0\${NAME}"
    ${AndIfNot} ${FileExists} "$INSTDIR\${NAME}"
        IntOp $Copied $Copied | ${BIT}
        System::Call 'kernel32::CopyFileW(w "$R0\${NAME}", w "$INSTDIR\${NAME}", i 1) i .R1'  ; never over a file
        ${If} $R1 == 0
            !insertmacro FAIL "Setup could not copy your hot keys from $R0."
        ${EndIf}
    ${EndIf}
!macroend

Section
    StrCpy $FinishTitle "Kestrava is installed"
    StrCpy $FinishText "Start it from the Start menu. Its icon then appears in the notification area of the taskbar."
    Call CheckOtherKestrava
    StrCpy $StartupLink ""
    ${IfNot} ${Silent}
    ${AndIf} $SignIn == ${BST_CHECKED}
        Call FindStartupLink
        ${If} $StartupLink != ""
            MessageBox MB_YESNO|MB_ICONQUESTION "A shortcut in your Startup folder starts another Kestrava each time you sign in:$\r$\n$StartupTarget$\r$\n$\r$\nOnly one Kestrava runs at a time, so at each sign-in that copy and the installed one would race to start.$\r$\n$\r$\nRemove the shortcut? The program it starts and its files stay where they are." IDYES remove_link
            StrCpy $StartupLink ""
        remove_link:
        ${EndIf}
    ${EndIf}

    ; The new files beside the old ones, while Kestrava still runs.
    StrCpy $Changing 1
    ClearErrors
    SetOutPath "$INSTDIR"
    ${If} ${Errors}
        !insertmacro FAIL "Setup could not create the folder $INSTDIR."
    ${EndIf}
    !insertmacro DELETE_LEFTOVERS
    ; A file that cannot be written sets the error flag instead of asking.
    SetOverwrite try
    ClearErrors
    File "/oname=$INSTDIR\Kestrava.exe.new" "${BIN_DIR}/Kestrava.exe"
    File "/oname=$INSTDIR\Kestrahk.dll.new" "${BIN_DIR}/Kestrahk.dll"
    WriteUninstaller "$INSTDIR\Uninstall.exe.new"
    ${If} ${Errors}
        !insertmacro FAIL "${NEW_FILES_TEXT}"
    ${EndIf}
    Call HookUnchanged
    ${If} $R0 == 1
        Delete "$INSTDIR\Kestrahk.dll.new"
    ${EndIf}

    Call StopKestrava
    ${If} $CopyData == 1
        !insertmacro COPY_DATA Kestrava.dat 1
        !insertmacro COPY_DATA Kestrava.dat.bak 2
    ${EndIf}
    ; Kestrava.dat (the user's hot keys) is never touched.
    !insertmacro SWAP Kestrava.exe $AsideExe $PlacedExe
    !insertmacro SWAP Kestrahk.dll $AsideHook $PlacedHook
    !insertmacro SWAP Uninstall.exe $AsideUninst $PlacedUninst

    ClearErrors
    CreateShortcut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\Kestrava.exe"
    ${If} ${Errors}
        !insertmacro FAIL "Setup could not create the Start menu shortcut $SMPROGRAMS\Kestrava.lnk."
    ${EndIf}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrava.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    ${If} ${Errors}
        !insertmacro FAIL "${REGISTRY_TEXT}"
    ${EndIf}
    ; The Run value last: a failure before it leaves it as it was. A silent
    ; upgrade keeps the choice, and a value that exists gets the current folder
    ; (also one that Task Manager turned off).
    StrCpy $R0 ""
    ${If} $SignIn == ${BST_CHECKED}
        StrCpy $R0 1
    ${ElseIf} $SignInChosen == 0
        ReadRegStr $R0 HKCU "${RUN_KEY}" "Kestrava"
    ${EndIf}
    ${If} $R0 != ""
        ClearErrors
        WriteRegStr HKCU "${RUN_KEY}" "Kestrava" '"$INSTDIR\Kestrava.exe"'
        ${If} ${Errors}
            !insertmacro FAIL "${REGISTRY_TEXT}"
        ${EndIf}
    ${EndIf}
    ; Start at sign-in as the box showed it: Task Manager's "disabled" goes with a ticked box.
    ${If} $SignInChosen == 1
        ${If} $SignIn == ${BST_CHECKED}
            Call StartupDisabled
            ${If} $R0 == 1
                DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava"
            ${EndIf}
        ${Else}
            DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
            DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava"
        ${EndIf}
    ${EndIf}

    ; Done: nothing is rolled back from here on.
    StrCpy $Stopped ""
    Delete $AsideExe
    Delete $AsideHook
    Delete $AsideUninst
    ; An uninstall's pending clean-up is moot once the folder is installed again.
    DeleteRegValue HKCU "${RUNONCE_KEY}" "Kestrava"
    ${If} $StartupLink != ""
        ClearErrors
        Delete $StartupLink
        ${If} ${Errors}
            MessageBox MB_OK|MB_ICONEXCLAMATION "Setup could not remove $StartupLink. Remove it yourself: at each sign-in it starts another Kestrava." /SD IDOK
        ${EndIf}
    ${EndIf}
    ClearErrors
    ${If} $Elevated == 1
        StrCpy $FinishText "Setup ran as administrator, so it did not start Kestrava: the programs it starts would run as administrator too. Start Kestrava from the Start menu."
    ${ElseIf} $OtherImage != ""
    ${AndIf} $StopOther != 1
        StrCpy $R0 $OtherImage -13
        StrCpy $FinishText "The Kestrava in $R0 still runs, so the installed one was not started. Stop that copy (right-click its icon, Stop Kestrava), then start Kestrava from the Start menu."
    ${ElseIfNot} ${Silent}
    ${OrIf} $RunAtEnd == 1
        Exec '"$INSTDIR\Kestrava.exe"'
        ${IfNot} ${Errors}
            StrCpy $FinishTitle "Kestrava is running"
            StrCpy $FinishText "Its icon is in the notification area of the taskbar.$\r$\n$\r$\nDouble-click the icon to assign programs, documents or folders to the letters; then hold the Windows key and press a letter to start them."
        ${EndIf}
    ${EndIf}
SectionEnd

; Also when NSIS itself ended the install: then a file it could not extract
; (a full disk) before Kestrava was stopped, and nothing was said yet.
Function .onInstFailed
    Call Rollback
    GetErrorLevel $R0
    ${If} $R0 == -1
        MessageBox MB_OK|MB_ICONSTOP "${NEW_FILES_TEXT}$\r$\n$\r$\n$R9" /SD IDOK
        SetErrorLevel 2
    ${EndIf}
FunctionEnd

; Stops the Kestrava that runs from $INSTDIR. Aborts (exit code 2) if the
; editor is open or it does not end.
Function un.StopKestrava
retry:
    Call un.FindKestrava
    ${If} $KWindow == 0
    ${OrIf} $KOurs == 0
        Return
    ${EndIf}
    Call un.StopFound
    ${If} $R0 == "editor"
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Kestrava's hot key editor is open.$\r$\n$\r$\nClose the editor (Save & Close or Close), then click Retry." /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Abort "Kestrava's hot key editor is open: nothing was changed."
    ${ElseIf} $R0 == "timeout"
        MessageBox MB_OK|MB_ICONSTOP "${STOP_TIMEOUT_TEXT}" /SD IDOK
        SetErrorLevel 2
        Abort "Kestrava did not stop within 10 seconds: nothing was changed."
    ${EndIf}
    Goto retry
FunctionEnd

; A file in use is renamed aside, to go at the next install or uninstall.
!macro REMOVE FILE
    Delete "$INSTDIR\${FILE}"
    ${If} ${FileExists} "$INSTDIR\${FILE}"
        !insertmacro ASIDE_NAME ${FILE}
        Rename "$INSTDIR\${FILE}" $R0
    ${EndIf}
!macroend

; Programs unload the hook library when they next handle a message after the
; hook was removed: a broadcast, then a few tries over 3 s. What stays mapped
; goes at the next sign-in, with the folder if nothing else is left in it
; (never a recursive delete), unless an install comes first.
Function un.DeleteHookLibraries
    ${IfNot} ${FileExists} "$INSTDIR\Kestrahk.dll*.old"
        Return
    ${EndIf}
    System::Call 'user32::SendMessageTimeoutW(p 0xFFFF, i 0, p 0, p 0, i 2, i 1000, p 0)'  ; HWND_BROADCAST, WM_NULL, SMTO_ABORTIFHUNG
    ${ForEach} $R0 1 6 + 1
        Sleep 500
        Delete "$INSTDIR\Kestrahk.dll*.old"
        ${IfNot} ${FileExists} "$INSTDIR\Kestrahk.dll*.old"
            Return
        ${EndIf}
    ${Next}
    StrCpy $R0 'cmd /d /c del /f /q "$INSTDIR\Kestrahk.dll*.old" & rd "$INSTDIR"'
    StrLen $R1 $R0
    ${If} $R1 <= 260  ; Windows skips longer RunOnce commands
        WriteRegStr HKCU "${RUNONCE_KEY}" "Kestrava" $R0
    ${EndIf}
FunctionEnd

Section Uninstall
    Call un.StopKestrava
    !insertmacro REMOVE Kestrava.exe
    !insertmacro REMOVE Kestrahk.dll
    !insertmacro DELETE_LEFTOVERS
    Delete "$INSTDIR\kst*.tmp"  ; temporary files of an interrupted save
    Delete "$SMPROGRAMS\Kestrava.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
    DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ${If} ${FileExists} "$INSTDIR\Kestrava.dat"
    ${OrIf} ${FileExists} "$INSTDIR\Kestrava.dat.bak"
        MessageBox MB_YESNO|MB_ICONQUESTION "Keep your hot keys?$\r$\n$\r$\nYes keeps them (Kestrava.dat) for a later install; No deletes them." /SD IDYES IDYES keep
        Delete "$INSTDIR\Kestrava.dat"
        Delete "$INSTDIR\Kestrava.dat.bak"
    keep:
    ${EndIf}
    Delete "$INSTDIR\Uninstall.exe"
    Call un.DeleteHookLibraries
    RMDir "$INSTDIR"
SectionEnd
