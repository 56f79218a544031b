; Kestrava's per-user setup: no administrator rights, only the user's own folder and HKCU are
; written. Built by the `release` target of each build:
;   makensis -DVERSION=1.0.0.1 -DARCH=x86|x64 -DBIN_DIR=... -DICON=... -DOUTFILE=... Kestrava.nsi
; Both setups install into the same folder and write the same values, so each upgrades an install of
; the other in place. HKCU is one for both registry views: no SetRegView. The command line
; (/SIGNIN=0|1, /RUN, /DOWNGRADE, NSIS's /S and /D=) and the exit codes are the README's ("For
; scripts").
;
; An upgrade never leaves a broken install: the new files are written beside the old ones first
; (FILE.new), Kestrava is stopped only then, the old files are renamed aside and the new ones
; renamed into place (no space needed). Any failure after that puts the old files back and starts
; the stopped copy again.

!if ${ARCH} == x64
; A 64-bit setup is the only kind that runs where no 32-bit program can.
Target amd64-unicode
; SECURITY_ATTRIBUTES with its padding spelled out: nLength, descriptor, bInheritHandle.
!define SECURITY_ATTRIBUTES "i 24, i 0, p r2, i 0, i 0"
!else
Unicode true
!define SECURITY_ATTRIBUTES "i 12, p r2, i 0"
!endif
; A program named "setup" is otherwise elevated by Windows, possibly as another account.
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
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
; The install folder outside the profile: full control for the user, SYSTEM and Administrators,
; nothing inherited from the folder above.
!define FOLDER_SDDL "D:P(A;OICI;FA;;;$UserSid)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"

; What the user is told. Variables in them are read where a text is used.
!define X86_ON_X64_TEXT "This setup installs the 32-bit Kestrava. Your Windows is 64-bit: Kestrava-${VERSION}-x64-setup.exe installs the 64-bit Kestrava, whose hook works directly in the 64-bit programs you type into.$\r$\n$\r$\nInstall the 32-bit Kestrava anyway?"
!define ALREADY_RUNNING_TEXT "Kestrava's setup or uninstaller is already running.$\r$\n$\r$\nLet it finish, then run this again."
!define BAD_SIGNIN_TEXT "/SIGNIN= takes 0 (do not start Kestrava at sign-in) or 1 (start it). Nothing was changed."
!define ELEVATED_TEXT "This setup runs as administrator.$\r$\n$\r$\nKestrava started from here would run as administrator, and so would every program you start with the Windows key and a letter.$\r$\n$\r$\nClick Cancel and run this again without administrator rights, or OK to install without starting Kestrava."
!define OTHER_ACCOUNT_TEXT "This setup runs as $Account, not as the account signed in to this desktop.$\r$\n$\r$\nKestrava is installed for $Account (into that account's folder, to start when $Account signs in) and is not started here.$\r$\n$\r$\nClick Cancel and run this again as yourself, or OK to install for $Account."
!define INSTALLED_ELSEWHERE_TEXT "Kestrava is installed in $R3, and this setup was told to install it into $INSTDIR. Nothing was changed.$\r$\n$\r$\nTo move Kestrava, uninstall it first (Settings > Apps) and keep your hot keys, copy Kestrava.dat into the new folder, then run this again."
!define OUTSIDE_TEXT "$INSTDIR is outside your user folder and exists already. Setup cannot check who else can change files there: whoever can would control Kestrahk.dll, which Windows loads into your programs, and Kestrava.exe, which starts when you sign in.$\r$\n$\r$\nInstall there anyway?"
!define NEWER_TEXT "A newer Kestrava ($R2) is installed in $INSTDIR.$\r$\n$\r$\nReplace it with the older ${VERSION}?"
!define OTHER_RUNS_TEXT "Kestrava is already running from another folder:$\r$\n$OtherFolder$\r$\n$\r$\nOnly one Kestrava runs at a time: while that copy runs, the Kestrava installed in $INSTDIR cannot start.$\r$\n$\r$\n"
!define STOP_OTHER_TEXT "${OTHER_RUNS_TEXT}Stop that copy now?$\r$\n$\r$\nYes stops it. No installs and leaves it running. Cancel quits setup."
!define STOP_OTHER_COPY_TEXT "${OTHER_RUNS_TEXT}Stop that copy now, and copy its hot keys (Kestrava.dat) into the new folder?$\r$\n$\r$\nYes stops it and copies the hot keys. No installs and leaves it running. Cancel quits setup."
!define STARTUP_LINK_TEXT "A shortcut in your Startup folder starts another Kestrava each time you sign in:$\r$\n$3$\r$\n$\r$\nOnly one Kestrava runs at a time, so at each sign-in that copy and the installed one would race to start.$\r$\n$\r$\nRemove the shortcut? The program it starts and its files stay where they are."
!define STARTUP_LINK_KEPT_TEXT "Setup could not remove $StartupLink. Remove it yourself: at each sign-in it starts another Kestrava."
!define EDITOR_TEXT "Kestrava's hot key editor is open.$\r$\n$\r$\nClose the editor (Save & Close or Close), then click Retry."
!define EDITOR_CLOSED_TEXT "Kestrava's hot key editor is open: close it (Save & Close or Close), then run this again."
; A copy that does not answer has no tray menu to stop it with.
!define HUNG_TEXT "Kestrava is not responding.$\r$\n$\r$\nEnd Kestrava.exe in Task Manager (Ctrl+Shift+Esc, Details page), then run this again."
!define STILL_STOPPING_TEXT "Kestrava is still stopping: it did not end within 40 seconds of being asked to.$\r$\n$\r$\nOnce its icon has gone, run this again, or start Kestrava again from the Start menu."
!define DENIED_TEXT "Setup cannot stop Kestrava: it runs with rights this setup does not have (as administrator, or as another account).$\r$\n$\r$\nStop it (right-click its icon, Stop Kestrava), then run this again."
!define CREATE_FOLDER_TEXT "Setup could not create the folder $INSTDIR."
!define NEW_FILES_TEXT "Setup could not write Kestrava's new files into $INSTDIR. Is the disk full?"
!define COPY_DATA_TEXT "Setup could not copy your hot keys from $OtherFolder."
!define IN_USE_TEXT "another program is using it. Close programs that may use it (a backup or virus scanner, say), then run this again."
!define REPLACE_TEXT "Setup could not replace $INSTDIR\${FILE}: ${IN_USE_TEXT}"  ; FILE: SWAP's
!define PLACE_TEXT "Setup could not put the new $INSTDIR\${FILE} in place."
!define SHORTCUT_TEXT "Setup could not create the Start menu shortcut $SMPROGRAMS\Kestrava.lnk."
!define REGISTRY_TEXT "Setup could not write Kestrava's settings into the registry."
!define NOTHING_CHANGED_TEXT "Nothing was changed."
!define RUNS_AGAIN_TEXT "Nothing was changed: Kestrava runs again."
!define STOPPED_TEXT "Nothing was changed. Kestrava was stopped: start it again from the Start menu."
!define MIXED_TEXT "Setup could not put all the old files back. In $INSTDIR:$Stuck$\r$\n$\r$\nKestrava was not started. Close programs that may use these files (a backup or virus scanner, say), then run this setup again: it completes the install."
!define UNINSTALL_IN_USE_TEXT "Setup could not remove $INSTDIR\Kestrava.exe: ${IN_USE_TEXT}"
!define NOTHING_REMOVED_TEXT "Nothing was removed."
!define KEEP_KEYS_TEXT "Keep your hot keys?$\r$\n$\r$\nYes keeps them (Kestrava.dat) for a later install; No deletes them."
!define INSTALLED_TITLE "Kestrava is installed"
!define INSTALLED_FINISH "Start it from the Start menu. Its icon then appears in the notification area of the taskbar."
!define RUNNING_TITLE "Kestrava is running"
!define RUNNING_FINISH "Its icon is in the notification area of the taskbar.$\r$\n$\r$\nDouble-click the icon to assign programs, documents or folders to the letters; then hold the Windows key and press a letter to start them."
!define ELEVATED_FINISH "Setup ran as administrator, so it did not start Kestrava: the programs it starts would run as administrator too. Start Kestrava from the Start menu."
!define OTHER_ACCOUNT_FINISH "Setup ran as $Account, so Kestrava was installed for $Account and not started here."
!define OTHER_STILL_RUNS_FINISH "The Kestrava in $OtherFolder still runs, so the installed one was not started. Stop that copy (right-click its icon, Stop Kestrava), then start Kestrava from the Start menu."

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

Var SignIn        ; start at sign-in: 1, 0, or keep what Windows does now
Var SignInBox
Var RunAtEnd      ; 1: /RUN
Var UserSid       ; the account this setup runs as
Var Account       ; its name, when it is not the desktop's account
Var NoStart       ; why Kestrava is not started from here ("" if it may be)
Var Fresh         ; 1: no Kestrava is installed in $INSTDIR
Var Outside       ; 1: $INSTDIR lies outside the user's profile
Var KWindow       ; FindKestrava's answer: the applet window (0: none)
Var KImage
Var KOurs         ; 1: it runs $INSTDIR\Kestrava.exe
Var OtherFolder   ; the folder of a Kestrava running from elsewhere ("" if none)
Var StopOther     ; the user agreed to stop it: 1, 2 and copy its data files into $INSTDIR
Var Copied        ; data files copied into $INSTDIR: 1 Kestrava.dat, 2 Kestrava.dat.bak
Var StartupLink   ; a Startup shortcut to another Kestrava.exe that the user agreed to remove
Var Stopped       ; the image of the Kestrava this setup stopped ("" if none)
Var RunBefore     ; the Run value when the install began ("" none): a rollback puts it back
Var TokenType     ; ReadToken's answers
Var TokenUser
Var Failure       ; what failed, for the failure path
Var Outcome       ; what the user is left with
Var Stuck         ; files the rollback could not put back, a line each
Var FinishTitle
Var FinishText

Page custom SignInPage SignInPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The program files an install places: swapped, rolled back, set aside and cleaned up the same way.
; N numbers each file's state.
!macro EACH_FILE DO
    !insertmacro ${DO} Kestrava.exe 1
    !insertmacro ${DO} Kestrahk.dll 2
    !insertmacro ${DO} Uninstall.exe 3
!macroend
!macro DECLARE FILE N
    Var Aside${N}   ; where the old FILE was renamed ("" nowhere)
    Var Placed${N}  ; 1: the new FILE is in place
!macroend
!insertmacro EACH_FILE DECLARE
; Set-aside files no longer in use, and the new file of an interrupted install; only our names.
!macro LEFTOVERS FILE N
    Delete "$INSTDIR\${FILE}*.old"
    Delete "$INSTDIR\${FILE}.new"
!macroend
; Calls FUNC with IN on the stack; its answer goes into OUT.
!macro CALL FUNC IN OUT
    Push `${IN}`
    Call ${FUNC}
    Pop ${OUT}
!macroend
; Quits before anything was changed: exit code 1 when the user said no, CODE when silent.
!macro DECLINED CODE
    SetErrorLevel 1
    ${IfThen} ${Silent} ${|} SetErrorLevel ${CODE} ${|}
    Quit
!macroend
; Every failure once the install or uninstall has begun goes through Failed (un.Failed), there and
; then: TEXT is what failed. UN: "un." in the uninstaller's code.
!macro FAIL UN TEXT
    StrCpy $Failure "${TEXT}"
    Call ${UN}Failed
    Abort $Failure
!macroend
!macro FAIL_IF_ERRORS TEXT
    IfErrors 0 +4
    !insertmacro FAIL "" "${TEXT}"
!macroend

; Puts FILE.new (if there is one) in place of FILE. The old FILE is renamed aside and kept until the
; install is complete.
!macro SWAP FILE N
    ${If} ${FileExists} "$INSTDIR\${FILE}.new"
        ${If} ${FileExists} "$INSTDIR\${FILE}"
            !insertmacro CALL AsideName ${FILE} $0
            Rename "$INSTDIR\${FILE}" $0
            !insertmacro FAIL_IF_ERRORS "${REPLACE_TEXT}"
            StrCpy $Aside${N} $0
        ${EndIf}
        ClearErrors
        Rename "$INSTDIR\${FILE}.new" "$INSTDIR\${FILE}"
        !insertmacro FAIL_IF_ERRORS "${PLACE_TEXT}"
        StrCpy $Placed${N} 1
    ${EndIf}
!macroend
; Undoes SWAP. The new FILE is renamed aside, not deleted: a scanner may hold it, and a file deleted
; while held keeps its name until it is let go. Each step is checked; one that fails is written into
; $Stuck.
!macro RESTORE FILE N
    ${If} $Placed${N} == 1
        !insertmacro CALL AsideName ${FILE} $0
        Rename "$INSTDIR\${FILE}" $0
        ${If} ${Errors}
            StrCpy $Stuck "$Stuck$\r$\n${FILE} is the new one"
            ${IfThen} $Aside${N} != "" ${|} StrCpy $Stuck "$Stuck; the old one is $Aside${N}" ${|}
            StrCpy $Aside${N} ""
        ${EndIf}
        Delete $0  ; at the next install if it is still in use
    ${EndIf}
    ${If} $Aside${N} != ""
        ClearErrors
        Rename $Aside${N} "$INSTDIR\${FILE}"
        ${IfThen} ${Errors} ${|} StrCpy $Stuck "$Stuck$\r$\n${FILE} is missing; the old one is $Aside${N}" ${|}
    ${EndIf}
    Delete "$INSTDIR\${FILE}.new"
!macroend
; An install that died between setting the old FILE aside and placing the new one left only
; FILE.old: it goes back before the leftovers go.
!macro RECOVER FILE N
    ${IfNotThen} ${FileExists} "$INSTDIR\${FILE}" ${|} Rename "$INSTDIR\${FILE}.old" "$INSTDIR\${FILE}" ${|}
!macroend
; A library still mapped goes at the next install or uninstall.
!macro DROP_ASIDE FILE N
    ${IfThen} $Aside${N} != "" ${|} Delete $Aside${N} ${|}
!macroend

; Functions both the setup and the uninstaller call. They answer on the stack or in named variables.
; Those that others call while holding values keep every register (System::Store); the rest use
; $0..$9, in which no section or callback keeps a value across a call (those use $R0..$R9).
!macro DEFINE_SHARED UN
; Pushes the identity ("volume serial:index high:index low") of the file or folder on the stack, ""
; if it cannot be opened: two paths name the same one exactly when their identities match, whatever
; junctions, subst drives or short names they go through.
Function ${UN}FileIdentity
    System::Store s
    Pop $0
    StrCpy $6 ""
    System::Call 'kernel32::CreateFileW(w r0, i 0x80, i 7, p 0, i 3, i 0x02000000, p 0) p .r1'  ; FILE_READ_ATTRIBUTES, share all, OPEN_EXISTING, folders too
    ${If} $1 P<> -1
        System::Call '*(&i52) p .r2'  ; BY_HANDLE_FILE_INFORMATION
        System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r3'
        System::Call '*$2(i, i, i, i, i, i, i, i .r4, i, i, i, i .r5, i .r0)'
        ${IfThen} $3 <> 0 ${|} StrCpy $6 "$4:$5:$0" ${|}
        System::Free $2
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    Push $6
    System::Store l
FunctionEnd

; Pushes a free set-aside name for the file on the stack: FILE.old, FILE.2.old, ... Kestrahk.dll
; stays mapped in programs that took keys while the hook was installed (they unload it only when
; they next handle input), so an older set-aside copy may still be there.
Function ${UN}AsideName
    System::Store s
    Pop $0
    StrCpy $1 "$INSTDIR\$0.old"
    StrCpy $2 1
    ${DoWhile} ${FileExists} $1
        IntOp $2 $2 + 1
        StrCpy $1 "$INSTDIR\$0.$2.old"
    ${Loop}
    Push $1
    System::Store l
    ClearErrors  ; for the rename that follows
FunctionEnd

; Sets $TokenType (the elevation type, 0 if unknown) and $TokenUser (the account's SID, "" if
; unknown) of the process whose handle is on the stack (0 if it could not be opened).
Function ${UN}ReadToken
    System::Store s
    Pop $0
    StrCpy $TokenUser ""
    System::Call 'advapi32::OpenProcessToken(p r0, i 8, *p .r1)'  ; TOKEN_QUERY
    System::Call 'advapi32::GetTokenInformation(p r1, i 18, *i .s, i 4, *i .r2)'  ; TokenElevationType
    Pop $TokenType
    System::Call '*(&i256) p .r3'
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r3, i 256, *i .r2) i .r2'  ; TokenUser
    ${If} $2 <> 0
        System::Call '*$3(p .r4)'
        System::Call 'advapi32::ConvertSidToStringSidW(p r4, *w .s)'  ; its few bytes stay allocated
        Pop $TokenUser
    ${EndIf}
    System::Free $3
    System::Call 'kernel32::CloseHandle(p r1)'
    System::Store l
FunctionEnd

; One setup or uninstall at a time per account: two would stop Kestrava and swap files under each
; other. The mutex lives as long as this process; the SID keeps accounts apart.
Function ${UN}OnlyRun
    Push -1  ; this process
    Call ${UN}ReadToken
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Local\Kestrava-setup-$TokenUser") p .r0 ?e'
    Pop $1
    ${If} $0 == 0
    ${OrIf} $1 == 183  ; ERROR_ALREADY_EXISTS
        MessageBox MB_OK|MB_ICONEXCLAMATION "${ALREADY_RUNNING_TEXT}" /SD IDOK
        SetErrorLevel 5
        Quit
    ${EndIf}
FunctionEnd

; Pushes the program the shortcut on the stack starts ("" if it cannot be read).
Function ${UN}LinkTarget
    System::Store s
    Pop $0
    StrCpy $3 ""
    System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, g "{000214F9-0000-0000-C000-000000000046}", *p .r1) i .r2'  ; ShellLink, IShellLinkW
    ${If} $2 == 0
        System::Call '$1->0(g "{0000010b-0000-0000-C000-000000000046}", *p .r2) i .r4'  ; IPersistFile
        ${If} $4 == 0
            System::Call '$2->5(w r0, i 0) i .r4'  ; Load
            StrCmp $4 0 0 +2
            System::Call '$1->3(w .r3, i ${NSIS_MAX_STRLEN}, p 0, i 0)'  ; GetPath
            System::Call '$2->2()'
        ${EndIf}
        System::Call '$1->2()'
    ${EndIf}
    Push $3
    System::Store l
FunctionEnd

; Pushes 1 if the path on the stack names Kestrava.exe in $INSTDIR (the file itself may be gone
; already), 0 if it names another Kestrava.exe, "" if neither: compared by the folder's identity,
; however either path is spelled.
Function ${UN}Ours
    System::Store s
    Pop $0
    ${GetFileName} $0 $1
    StrCpy $3 ""
    ${If} $1 == "Kestrava.exe"  ; StrCmp ignores case, as Windows names do
        ${GetParent} $0 $0
        !insertmacro CALL ${UN}FileIdentity $0 $1
        !insertmacro CALL ${UN}FileIdentity $INSTDIR $2
        StrCpy $3 0
        ${IfThen} $1 == $2 ${|} StrCpy $3 1 ${|}
        ${IfThen} $1 == "" ${|} StrCpy $3 0 ${|}
    ${EndIf}
    Push $3
    System::Store l
FunctionEnd

; Finds a running Kestrava: a hidden applet window whose process runs a file named Kestrava.exe (the
; window class belongs to a reusable framework). Sets $KWindow (0 if none runs), $KImage, and $KOurs
; to 1 if the image is $INSTDIR\Kestrava.exe itself. Only one Kestrava runs per session.
Function ${UN}FindKestrava
    StrCpy $KWindow 0
next:
    System::Call 'user32::FindWindowExW(p 0, p $KWindow, w "${APPLET_CLASS}", p 0) p .s'
    Pop $KWindow
    StrCmp $KWindow 0 done
    System::Call 'user32::GetWindowThreadProcessId(p $KWindow, *i .r0)'
    System::Call 'kernel32::OpenProcess(i ${QUERY_LIMITED}, i 0, i r0) p .r0'
    StrCmp $0 0 next
    System::Call 'kernel32::QueryFullProcessImageNameW(p r0, i 0, w .s, *i ${NSIS_MAX_STRLEN})'
    Pop $KImage
    System::Call 'kernel32::CloseHandle(p r0)'
    !insertmacro CALL ${UN}Ours $KImage $KOurs
    StrCmp $KOurs "" next
done:
FunctionEnd

; Stops the Kestrava that runs from $INSTDIR, and the one from another folder if the user agreed;
; $Stopped becomes its image. It must answer at all first: a close message queued behind a hang
; would end it later, unasked. Then it gets WM_CLOSE and 10 s; once asked, a copy that is only slow
; (a busy disk at sign-in) is stopping, not running, and gets 30 s more. Never closes the hot key
; editor under the user: what was typed there would be lost.
Function ${UN}StopKestrava
retry:
    Call ${UN}FindKestrava
    StrCmp $KWindow 0 done
    StrCmp $KOurs$StopOther 0 done  ; another folder's, and the user did not agree
    System::Call 'user32::GetWindowThreadProcessId(p $KWindow, *i .r3)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_QUERY_LIMITED}, i 0, i r3) p .r0'
    ${If} $0 == 0
        System::Call 'user32::IsWindow(p $KWindow) i .r1'
        StrCmp $1 0 retry  ; gone since
        !insertmacro FAIL "${UN}" "${DENIED_TEXT}"
    ${EndIf}
    StrCpy $1 0
find_editor:
    System::Call 'user32::FindWindowExW(p 0, p r1, p 0, w "${EDITOR_TITLE}") p .r1'
    StrCmp $1 0 ask
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    StrCmp $2 $3 0 find_editor
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${EDITOR_TEXT}" /SD IDCANCEL IDRETRY retry
    !insertmacro FAIL "${UN}" "${EDITOR_CLOSED_TEXT}"
ask:
    System::Call 'user32::SendMessageTimeoutW(p $KWindow, i 0, p 0, p 0, i 2, i 5000, p 0) p .r1'  ; WM_NULL, SMTO_ABORTIFHUNG
    ${If} $1 == 0
        System::Call 'kernel32::CloseHandle(p r0)'
        !insertmacro FAIL "${UN}" "${HUNG_TEXT}"
    ${EndIf}
    DetailPrint "Stopping Kestrava..."
    System::Call 'user32::PostMessageW(p $KWindow, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p r0, i 10000) i .r1'
    ${If} $1 != 0  ; WAIT_OBJECT_0
        DetailPrint "Kestrava is still stopping..."
        System::Call 'kernel32::WaitForSingleObject(p r0, i 30000) i .r1'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${IfThen} $1 != 0 ${|} !insertmacro FAIL "${UN}" "${STILL_STOPPING_TEXT}" ${|}
    StrCpy $Stopped $KImage
    Goto retry
done:
FunctionEnd

; The one failure path, taken where a step failed: an install is undone so far, and the Kestrava it
; stopped runs again unless files could not be put back; $Outcome says what the user is left with.
Function ${UN}Failed
!if "${UN}" == ""
    !insertmacro EACH_FILE RESTORE
    ; Only data files this setup copied; the user's own stay.
    ${IfThen} $Copied & 1 ${|} Delete "$INSTDIR\Kestrava.dat" ${|}
    ${IfThen} $Copied & 2 ${|} Delete "$INSTDIR\Kestrava.dat.bak" ${|}
    DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
    ${IfThen} $RunBefore != "" ${|} WriteRegStr HKCU "${RUN_KEY}" "Kestrava" $RunBefore ${|}
    ${If} $Fresh == 1
        Delete "$SMPROGRAMS\Kestrava.lnk"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
        SetOutPath "$TEMP"  ; the working folder cannot be removed
        RMDir "$INSTDIR"    ; only if empty
    ${EndIf}
    ${If} $Stuck != ""
        StrCpy $Outcome "${MIXED_TEXT}"
    ${ElseIf} $Stopped == ""
        StrCpy $Outcome "${NOTHING_CHANGED_TEXT}"
    ${ElseIf} $NoStart != ""
        StrCpy $Outcome "${STOPPED_TEXT}"
    ${Else}
        Exec '"$Stopped"'
        StrCpy $Outcome "${RUNS_AGAIN_TEXT}"
    ${EndIf}
    ClearErrors
!endif
    DetailPrint $Outcome
    MessageBox MB_OK|MB_ICONSTOP "$Failure$\r$\n$\r$\n$Outcome" /SD IDOK
    SetErrorLevel 2
FunctionEnd
!macroend
!insertmacro DEFINE_SHARED ""
!insertmacro DEFINE_SHARED "un."

; NSIS itself ended the install (a file it could not extract: a full disk), before Kestrava stopped.
Function .onInstFailed
    GetErrorLevel $0
    StrCmp $0 2 +3  ; anything else failed through Failed already
    StrCpy $Failure "${NEW_FILES_TEXT}"
    Call Failed
FunctionEnd

Function .onInit
!if ${ARCH} == x86
    ; Windows runs a 32-bit hook library for 64-bit programs back in Kestrava's own process, one
    ; round trip per keystroke.
    ${If} ${RunningX64}
        MessageBox MB_YESNO|MB_ICONINFORMATION "${X86_ON_X64_TEXT}" /SD IDYES IDYES install_x86
        SetErrorLevel 1
        Quit
    install_x86:
    ${EndIf}
!endif
    Call OnlyRun
    ${GetParameters} $R9
    ClearErrors
    ${GetOptions} $R9 "/SIGNIN=" $SignIn  ; "" if not given: decided below
    ${IfNot} ${Errors}
    ${AndIf} $SignIn != 0
    ${AndIf} $SignIn != 1
        MessageBox MB_OK|MB_ICONSTOP "${BAD_SIGNIN_TEXT}" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    ClearErrors
    ${GetOptions} $R9 "/RUN" $R1
    ${IfNotThen} ${Errors} ${|} StrCpy $RunAtEnd 1 ${|}
    ; One spelling of the folder (no "..") for every check and every value written.
    System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .R1, p 0) i .R2'
    ${IfThen} $R2 <> 0 ${|} StrCpy $INSTDIR $R1 ${|}
    ; Kestrava is not started from here ($NoStart says why, asked first) when this setup runs
    ; elevated through UAC while the user's desktop does not: every program Kestrava starts would
    ; run elevated until sign-out. Nor when it runs as another account than the desktop's (a
    ; standard user who typed an administrator's password): it installs for that account. The
    ; taskbar's process is the reference, because where every process has the full token (UAC off
    ; for the shell, the built-in Administrator, or Wine) elevation changes nothing; without a
    ; taskbar this process's own elevation decides.
    Push -1  ; this process
    Call ReadToken
    StrCpy $UserSid $TokenUser
    StrCpy $R4 $TokenType
    FindWindow $R5 "Shell_TrayWnd"
    System::Call 'user32::GetWindowThreadProcessId(p R5, *i .R6)'
    System::Call 'kernel32::OpenProcess(i ${QUERY_LIMITED}, i 0, i R6) p .R6'
    Push $R6
    Call ReadToken
    System::Call 'kernel32::CloseHandle(p R6)'
    ${If} $R4 == ${TokenElevationTypeFull}
    ${AndIf} $TokenType != ${TokenElevationTypeFull}
        StrCpy $NoStart "${ELEVATED_FINISH}"
        StrCpy $R6 "${ELEVATED_TEXT}"
    ${EndIf}
    ; A taskbar whose account cannot be read is not this account's, for all we know.
    ${If} $R5 <> 0
    ${AndIf} $TokenUser != $UserSid
        System::Call 'advapi32::GetUserNameW(w .s, *i ${NSIS_MAX_STRLEN})'
        Pop $Account
        StrCpy $NoStart "${OTHER_ACCOUNT_FINISH}"
        StrCpy $R6 "${OTHER_ACCOUNT_TEXT}"
    ${EndIf}
    ${If} $NoStart != ""
        MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION $R6 /SD IDOK IDOK +3
        SetErrorLevel 1
        Quit
    ${EndIf}
    ; Installed is what the Apps entry names; only that folder is upgraded. Without an entry the
    ; files tell: an install that died after setting the old Kestrava.exe aside left only
    ; Kestrava.exe.old.
    ReadRegStr $R3 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    !insertmacro CALL FileIdentity $R3 $R1
    !insertmacro CALL FileIdentity $INSTDIR $R2
    ${If} $R1 != ""
    ${AndIf} $R1 != $R2
        MessageBox MB_OK|MB_ICONEXCLAMATION "${INSTALLED_ELSEWHERE_TEXT}" /SD IDOK
        SetErrorLevel 7
        Quit
    ${EndIf}
    StrCpy $Fresh 1
    ${If} $R1 != ""
    ${OrIf} ${FileExists} "$INSTDIR\Kestrava.exe"
    ${OrIf} ${FileExists} "$INSTDIR\Kestrava.exe.old"
        StrCpy $Fresh 0
    ${EndIf}
    ; Who else can change files in an existing folder outside the profile is not checked (too large
    ; to do well here): the user decides.
    StrLen $R1 "$PROFILE\"
    StrCpy $R2 $INSTDIR $R1
    StrCpy $Outside 1
    ${IfThen} $R2 == "$PROFILE\" ${|} StrCpy $Outside 0 ${|}  ; StrCmp ignores case, as Windows names do
    ${If} $Outside == 1
    ${AndIf} $Fresh == 1
    ${AndIf} ${FileExists} "$INSTDIR\*.*"
        MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "${OUTSIDE_TEXT}" /SD IDNO IDYES outside_ok
        !insertmacro DECLINED 6
    outside_ok:
    ${EndIf}
    ; An older setup does not silently replace a newer Kestrava.
    ${GetFileVersion} "$INSTDIR\Kestrava.exe" $R2
    ${VersionCompare} $R2 ${VERSION} $R3
    ClearErrors
    ${GetOptions} $R9 "/DOWNGRADE" $R1
    ${If} ${Errors}
    ${AndIf} $R3 == 1
        MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "${NEWER_TEXT}" /SD IDNO IDYES older
        !insertmacro DECLINED 4
    older:
    ${EndIf}
    ${If} $SignIn == ""
        StrCpy $SignIn keep
        ${IfThen} $Fresh == 1 ${|} StrCpy $SignIn 1 ${|}
    ${EndIf}
    ; Asks (interactive) or refuses (silent, exit code 3) when Kestrava runs from another folder:
    ; the Kestrava installed here could not start beside it.
    Call FindKestrava
    StrCmp $KWindow 0 keep
    StrCmp $KOurs 1 keep
    ${GetParent} $KImage $OtherFolder
    StrCpy $R0 1
    StrCpy $R1 "${STOP_OTHER_TEXT}"
    ${IfNot} ${FileExists} "$INSTDIR\Kestrava.dat"
    ${AndIf} ${FileExists} "$OtherFolder\Kestrava.dat"
        StrCpy $R0 2
        StrCpy $R1 "${STOP_OTHER_COPY_TEXT}"
    ${EndIf}
    MessageBox MB_YESNOCANCEL|MB_ICONQUESTION $R1 /SD IDCANCEL IDYES stop IDNO keep
    !insertmacro DECLINED 3
stop:
    StrCpy $StopOther $R0
keep:
FunctionEnd

Function SignInPage
    !insertmacro MUI_HEADER_TEXT "Start at sign-in" "Kestrava starts your programs only while it runs."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 30u "Kestrava waits in the notification area of the taskbar: hold the Windows key and press a letter, and Win + A ... Win + Z start what you assigned to that letter. Windows can start it for you each time you sign in."
    Pop $0
    ${NSD_CreateCheckbox} 0 40u 100% 12u "Start Kestrava when I sign in"
    Pop $SignInBox
    ; An upgrade starts from what Windows does now: the Run value, unless Task Manager has turned it
    ; off. Bit 0 of the first byte of its StartupApproved entry says so (03, 07); 02, 06 or no entry
    ; means on.
    StrCpy $0 $SignIn
    ${If} $0 == keep
        ReadRegStr $1 HKCU "${RUN_KEY}" "Kestrava"
        StrCpy $0 0
        ${IfThen} $1 != "" ${|} StrCpy $0 1 ${|}
        System::Call '*(&i64) p .r1'
        System::Call 'advapi32::RegGetValueW(p ${HKCU_HANDLE}, w "${APPROVED_KEY}", w "Kestrava", i 8, p 0, p r1, *i 64) i .r2'  ; RRF_RT_REG_BINARY
        System::Call '*$1(&i1 .r3)'
        System::Free $1
        IntOp $3 $3 & 1
        ${IfThen} $2$3 == 01 ${|} StrCpy $0 0 ${|}  ; read, and "disabled"
    ${EndIf}
    ${IfThen} $0 == 1 ${|} ${NSD_Check} $SignInBox ${|}
    ${NSD_CreateLabel} 0 64u 100% 20u "You can change this later: run this setup again, or use the Startup page of Task Manager."
    Pop $0
    ; This is the only page before installing.
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
    nsDialogs::Show
FunctionEnd

Function SignInPageLeave
    ${NSD_GetState} $SignInBox $SignIn  ; BST_CHECKED is 1
FunctionEnd

; A data file of the other copy, into a folder that has none; BIT goes into $Copied once the copy is
; there, so that a rollback removes only what was copied.
!macro COPY_DATA NAME BIT
    ${If} ${FileExists} "$OtherFolder\${NAME}"
    ${AndIfNot} ${FileExists} "$INSTDIR\${NAME}"
        System::Call 'kernel32::CopyFileW(w "$OtherFolder\${NAME}", w "$INSTDIR\${NAME}", i 1) i .r0'  ; never over a file
        ${IfThen} $0 == 0 ${|} !insertmacro FAIL "" "${COPY_DATA_TEXT}" ${|}
        IntOp $Copied $Copied | ${BIT}
    ${EndIf}
!macroend
Section
    StrCpy $FinishTitle "${INSTALLED_TITLE}"
    StrCpy $FinishText "${INSTALLED_FINISH}"
    ReadRegStr $RunBefore HKCU "${RUN_KEY}" "Kestrava"
    ; $StartupLink: a shortcut in the user's Startup folder that starts a Kestrava.exe other than
    ; the installed one, that the user agreed to remove. At each sign-in it would race the Run
    ; value for the single-instance mutex.
    ${IfNot} ${Silent}
    ${AndIf} $SignIn == 1
        FindFirst $0 $1 "$SMSTARTUP\*.lnk"
        ${DoWhile} $1 != ""
            !insertmacro CALL LinkTarget "$SMSTARTUP\$1" $3
            !insertmacro CALL Ours $3 $2
            ${If} $2 == 0
            ${AndIf} ${FileExists} $3
                MessageBox MB_YESNO|MB_ICONQUESTION "${STARTUP_LINK_TEXT}" IDNO +2
                StrCpy $StartupLink "$SMSTARTUP\$1"
                ${Break}
            ${EndIf}
            FindNext $0 $1
        ${Loop}
        FindClose $0
        ClearErrors
    ${EndIf}
    ; The new files beside the old ones, while Kestrava still runs.
    ${If} $Outside == 1
    ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
        ; Outside the profile a new folder lets every signed-in user change the files in it: here
        ; Kestrahk.dll, which Windows loads into the user's programs, and Kestrava.exe, which runs
        ; at sign-in. So the install folder gets the protected DACL of FOLDER_SDDL from
        ; CreateDirectoryW itself: set afterwards, it would leave a moment in which another user
        ; could open the folder.
        ${GetParent} $INSTDIR $0
        CreateDirectory $0
        StrCpy $5 $INSTDIR
        StrCpy $2 0
        System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${FOLDER_SDDL}", i 1, *p .r2, p 0) i .r3'  ; SDDL_REVISION_1
        System::Call '*(${SECURITY_ATTRIBUTES}) p .r4'
        ${IfThen} $3 <> 0 ${|} System::Call "kernel32::CreateDirectoryW(w r5, p r4) i .r3" ${|}
        System::Call 'kernel32::LocalFree(p r2)'
        System::Free $4
        ${IfThen} $3 == 0 ${|} !insertmacro FAIL "" "${CREATE_FOLDER_TEXT}" ${|}
    ${EndIf}
    ClearErrors
    SetOutPath "$INSTDIR"
    !insertmacro FAIL_IF_ERRORS "${CREATE_FOLDER_TEXT}"
    !insertmacro EACH_FILE RECOVER
    !insertmacro EACH_FILE LEFTOVERS
    ; A file that cannot be written sets the error flag instead of asking.
    SetOverwrite try
    ClearErrors
    File "/oname=$INSTDIR\Kestrava.exe.new" "${BIN_DIR}/Kestrava.exe"
    File "/oname=$INSTDIR\Kestrahk.dll.new" "${BIN_DIR}/Kestrahk.dll"
    WriteUninstaller "$INSTDIR\Uninstall.exe.new"
    !insertmacro FAIL_IF_ERRORS "${NEW_FILES_TEXT}"
    ; Programs that have the installed Kestrahk.dll mapped keep using that copy for the next hook
    ; too: replacing an unchanged library would only cost them their hot keys until they restart. So
    ; a new library with the bytes of the installed one goes. Compared in memory: an interactive
    ; setup shows progress after every instruction, which makes a loop over bytes take a minute.
    StrCpy $0 -1
    ClearErrors
    FileOpen $1 "$INSTDIR\Kestrahk.dll.new" r
    FileOpen $2 "$INSTDIR\Kestrahk.dll" r
    System::Call 'kernel32::GetFileSize(p r1, p 0) i .r3'
    System::Call 'kernel32::GetFileSize(p r2, p 0) i .r4'
    ${If} $3 == $4
    ${AndIfNot} ${Errors}
        System::Call '*(&i$3) p .r4'
        System::Call '*(&i$3) p .r5'
        System::Call 'kernel32::ReadFile(p r1, p r4, i r3, *i, p 0)'
        System::Call 'kernel32::ReadFile(p r2, p r5, i r3, *i, p 0)'
        System::Call 'ntdll::RtlCompareMemory(p r4, p r5, p r3) p .r0'  ; how many bytes match
        System::Free $4
        System::Free $5
    ${EndIf}
    FileClose $1
    FileClose $2
    ${IfThen} $0 == $3 ${|} Delete "$INSTDIR\Kestrahk.dll.new" ${|}
    ClearErrors
    Call StopKestrava
    ${If} $StopOther == 2
        !insertmacro COPY_DATA Kestrava.dat 1
        !insertmacro COPY_DATA Kestrava.dat.bak 2
    ${EndIf}
    ; Kestrava.dat (the user's hot keys) is never touched.
    !insertmacro EACH_FILE SWAP
    ClearErrors
    CreateShortcut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\Kestrava.exe"
    !insertmacro FAIL_IF_ERRORS "${SHORTCUT_TEXT}"
    ; Start at sign-in is applied here only: 1 writes the Run value, 0 removes it, keep points a
    ; value that exists at this folder. Before the Apps entry, so that a failure leaves that entry's
    ; version as it was.
    ClearErrors
    ${If} $SignIn == 0
    ${AndIf} $RunBefore != ""
        DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
    ${ElseIf} $SignIn == 1
    ${OrIf} $RunBefore != ""
        WriteRegStr HKCU "${RUN_KEY}" "Kestrava" '"$INSTDIR\Kestrava.exe"'
    ${EndIf}
    !insertmacro FAIL_IF_ERRORS "${REGISTRY_TEXT}"
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    ClearErrors
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrava.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
    !insertmacro FAIL_IF_ERRORS "${REGISTRY_TEXT}"
    ; Done: nothing is rolled back from here on.
    !insertmacro EACH_FILE DROP_ASIDE
    ; Task Manager's "disabled" goes with a choice made now.
    ${IfThen} $SignIn != keep ${|} DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava" ${|}
    ; An uninstall's pending clean-up is moot once the folder is installed again.
    DeleteRegValue HKCU "${RUNONCE_KEY}" "Kestrava"
    ${If} $StartupLink != ""
        ClearErrors
        Delete $StartupLink
        ${IfThen} ${Errors} ${|} MessageBox MB_OK|MB_ICONEXCLAMATION "${STARTUP_LINK_KEPT_TEXT}" /SD IDOK ${|}
    ${EndIf}
    ; Kestrava runs after an interactive install, after /RUN, and wherever this setup stopped it
    ; (package managers and update scripts run /S alone).
    ClearErrors
    ${If} $NoStart != ""
        StrCpy $FinishText $NoStart
    ${ElseIf} $OtherFolder != ""
    ${AndIf} $StopOther == ""
        StrCpy $FinishText "${OTHER_STILL_RUNS_FINISH}"
    ${ElseIf} $Stopped != ""
    ${OrIfNot} ${Silent}
    ${OrIf} $RunAtEnd == 1
        Exec '"$INSTDIR\Kestrava.exe"'
        ${IfNot} ${Errors}
            StrCpy $FinishTitle "${RUNNING_TITLE}"
            StrCpy $FinishText "${RUNNING_FINISH}"
        ${EndIf}
    ${EndIf}
SectionEnd

Function un.onInit
    Call un.OnlyRun
    StrCpy $Outcome "${NOTHING_REMOVED_TEXT}"
FunctionEnd

Section Uninstall
    Call un.StopKestrava
    ; The program files are renamed aside: once not in use they go with the leftovers below, else
    ; later. Kestrava.exe first: while it stays, nothing else is touched, and the Apps entry stays
    ; to try again.
    !insertmacro CALL un.AsideName Kestrava.exe $0
    Rename "$INSTDIR\Kestrava.exe" $0
    ${IfThen} ${FileExists} "$INSTDIR\Kestrava.exe" ${|} !insertmacro FAIL "un." "${UNINSTALL_IN_USE_TEXT}" ${|}
    !insertmacro CALL un.AsideName Kestrahk.dll $0
    Rename "$INSTDIR\Kestrahk.dll" $0
    !insertmacro EACH_FILE LEFTOVERS
    ; Only what is this install's: another folder may have been installed since.
    !insertmacro CALL un.LinkTarget "$SMPROGRAMS\Kestrava.lnk" $0
    !insertmacro CALL un.Ours $0 $0
    ${IfThen} $0 == 1 ${|} Delete "$SMPROGRAMS\Kestrava.lnk" ${|}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Kestrava"
    StrCpy $0 $0 -1 1  ; the setup writes it quoted
    !insertmacro CALL un.Ours $0 $0
    ${If} $0 == 1
        DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
        DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava"
    ${EndIf}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    !insertmacro CALL un.Ours "$0\Kestrava.exe" $0
    ${IfThen} $0 == 1 ${|} DeleteRegKey HKCU "${UNINSTALL_KEY}" ${|}
    ; Kestrava.dat.new, Kestrava.dat.old and the kst*.tmp of earlier versions stay whatever the
    ; answer: after a crash one of them may be the only copy.
    ${If} ${FileExists} "$INSTDIR\Kestrava.dat"
    ${OrIf} ${FileExists} "$INSTDIR\Kestrava.dat.bak"
        MessageBox MB_YESNO|MB_ICONQUESTION "${KEEP_KEYS_TEXT}" /SD IDYES IDYES keep
        Delete "$INSTDIR\Kestrava.dat"
        Delete "$INSTDIR\Kestrava.dat.bak"
    keep:
    ${EndIf}
    Delete "$INSTDIR\Uninstall.exe"
    ; Set-aside program files that a program still holds: the hook library stays mapped in programs
    ; that took keys while the hook was in, until they next handle a message; so a broadcast, then a
    ; few tries over 3 s. What is left goes at the next sign-in, with the folder if nothing else is
    ; left in it (never a recursive delete), unless an install comes first.
    ${For} $0 0 6
        Delete "$INSTDIR\Kestrahk.dll*.old"
        Delete "$INSTDIR\Kestrava.exe*.old"
        ${IfNot} ${FileExists} "$INSTDIR\Kestrahk.dll*.old"
        ${AndIfNot} ${FileExists} "$INSTDIR\Kestrava.exe*.old"
            Goto deleted
        ${EndIf}
        ${IfThen} $0 == 0 ${|} System::Call "user32::SendMessageTimeoutW(p 0xFFFF, i 0, p 0, p 0, i 2, i 1000, p 0)" ${|}  ; HWND_BROADCAST, WM_NULL, SMTO_ABORTIFHUNG
        ${IfThen} $0 < 6 ${|} Sleep 500 ${|}
    ${Next}
    StrCpy $0 '"$SYSDIR\cmd.exe" /d /c del /f /q "$INSTDIR\Kestrahk.dll*.old" "$INSTDIR\Kestrava.exe*.old" & rd "$INSTDIR"'
    StrLen $1 $0
    ; Windows skips longer RunOnce commands; cmd expands % even between quotes, and ^ and & are its
    ; own.
    System::Call 'shlwapi::StrPBrkW(w "$INSTDIR", w "%^&") p .r2'
    ${If} $1 <= 260
    ${AndIf} $2 == 0
        WriteRegStr HKCU "${RUNONCE_KEY}" "Kestrava" $0
    ${EndIf}
deleted:
    RMDir "$INSTDIR"
SectionEnd
