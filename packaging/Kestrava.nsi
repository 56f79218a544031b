; Kestrava's per-user setup: no administrator rights, only the user's own
; folder and HKCU are written. Built by the `release` target of each build:
;   makensis -DVERSION=1.0.0.1 -DARCH=x86|x64 -DBIN_DIR=... -DICON=... -DOUTFILE=... Kestrava.nsi
; Both setups install into the same folder and write the same values, so each
; upgrades an install of the other in place. HKCU is one for both registry
; views: no SetRegView.
;
; Command line (besides NSIS's own /S and /D=FOLDER):
;   /SIGNIN=0   do not start Kestrava at sign-in (default: /SIGNIN=1); also
;               sets the check box of an interactive run
;   /RUN        start Kestrava when a silent install ends (an interactive
;               install always starts it)
; Exit codes: 0 done, 1 cancelled by the user, 2 stopped: Kestrava could not
; be ended (its hot key editor is open, or it did not end in 10 s), or its
; files could not be replaced.

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
; Where Task Manager's Startup page keeps "disabled" for a Run value.
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrava"
!define APPLET_CLASS "CQuindleTaskBarApplet"
!define EDITOR_TITLE "Kestrava - Edit Keys"
!define SYNCHRONIZE_QUERY_LIMITED 0x101000  ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION

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
!define MUI_FINISHPAGE_TITLE "Kestrava is running"
!define MUI_FINISHPAGE_TEXT "Its icon is in the notification area of the taskbar.$\r$\n$\r$\nDouble-click the icon to assign programs, documents or folders to the letters; then hold the Windows key and press a letter to start them."

Var SignIn      ; 1: start at sign-in
Var SignInBox
Var RunAtEnd    ; 1: start Kestrava when a silent install ends
Var HookUnchanged

Page custom SignInPage SignInPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Kestrahk.dll stays mapped in programs that took keys while the hook was
; installed (they unload it only when they next handle input), so it may be
; neither deletable nor overwritable: a file in use is renamed aside to
; FILE.old (FILE.2.old, ...), which goes at the next install or uninstall.
; Uses $R0, $R1.
!macro SET_ASIDE FILE
    Delete "$INSTDIR\${FILE}"
    ${If} ${FileExists} "$INSTDIR\${FILE}"
        StrCpy $R0 "$INSTDIR\${FILE}.old"
        StrCpy $R1 1
        ${DoWhile} ${FileExists} $R0
            IntOp $R1 $R1 + 1
            StrCpy $R0 "$INSTDIR\${FILE}.$R1.old"
        ${Loop}
        Rename "$INSTDIR\${FILE}" $R0
    ${EndIf}
!macroend

; Set-aside files that are no longer in use; only our own names.
!macro DELETE_LEFTOVERS
    Delete "$INSTDIR\Kestrava.exe*.old"
    Delete "$INSTDIR\Kestrahk.dll*.old"
!macroend

; Sets $HookUnchanged to 1 if the installed Kestrahk.dll has the bytes of
; the one in this setup. Programs that have it mapped keep using that copy
; for the next hook too: replacing an unchanged library would only cost them
; their hot keys until they restart. Uses $R0..$R3.
Function CheckHookLibrary
    StrCpy $HookUnchanged 0
    IfFileExists "$INSTDIR\Kestrahk.dll" 0 done
    InitPluginsDir
    File "/oname=$PLUGINSDIR\Kestrahk.dll" "${BIN_DIR}/Kestrahk.dll"
    ClearErrors
    FileOpen $R0 "$PLUGINSDIR\Kestrahk.dll" r
    FileOpen $R1 "$INSTDIR\Kestrahk.dll" r
    IfErrors close
next:
    FileReadByte $R0 $R2
    IfErrors new_ended
    FileReadByte $R1 $R3
    IfErrors close
    StrCmp $R2 $R3 next close
new_ended:
    ClearErrors
    FileReadByte $R1 $R3
    IfErrors 0 close
    StrCpy $HookUnchanged 1
close:
    FileClose $R0
    FileClose $R1
done:
FunctionEnd

; Ends the Kestrava that runs $INSTDIR\Kestrava.exe, if any: its hidden
; applet window gets WM_CLOSE. The window class belongs to a reusable
; framework, so the process image path decides which window is ours.
; Aborts (exit code 2) if the editor is open or the process does not end.
; Uses $R0..$R6.
!macro DEFINE_STOP_KESTRAVA UN
Function ${UN}StopKestrava
    IfFileExists "$INSTDIR\Kestrava.exe" 0 done
    ; Processes report their image path with long names.
    StrCpy $R0 ""
    System::Call 'kernel32::GetLongPathNameW(w "$INSTDIR\Kestrava.exe", w .R0, i ${NSIS_MAX_STRLEN})'
    StrCmp $R0 "" 0 +2
        StrCpy $R0 "$INSTDIR\Kestrava.exe"
    StrCpy $R1 0
next:
    System::Call 'user32::FindWindowExW(p 0, p R1, w "${APPLET_CLASS}", p 0) p .R1'
    StrCmp $R1 0 done
    System::Call 'user32::GetWindowThreadProcessId(p R1, *i .R2)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_QUERY_LIMITED}, i 0, i R2) p .R3'
    StrCmp $R3 0 next
    StrCpy $R4 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN})'
    StrCmp $R4 $R0 ours  ; StrCmp ignores case, as Windows paths do
    System::Call 'kernel32::CloseHandle(p R3)'
    Goto next
ours:
    ; Closing under an open editor would lose what the user typed there.
    StrCpy $R5 0
find_editor:
    System::Call 'user32::FindWindowExW(p 0, p R5, p 0, w "${EDITOR_TITLE}") p .R5'
    StrCmp $R5 0 close
    System::Call 'user32::GetWindowThreadProcessId(p R5, *i .R6)'
    StrCmp $R6 $R2 0 find_editor
    System::Call 'kernel32::CloseHandle(p R3)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Kestrava's hot key editor is open.$\r$\n$\r$\nClose the editor (Save & Close or Close), then click Retry." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Abort "Kestrava's hot key editor is open: nothing was changed."
retry:
    StrCpy $R1 0
    Goto next
close:
    DetailPrint "Stopping Kestrava..."
    System::Call 'user32::PostMessageW(p R1, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p R3, i 10000) i .R6'
    System::Call 'kernel32::CloseHandle(p R3)'
    StrCmp $R6 0 0 timeout  ; WAIT_OBJECT_0
    StrCpy $R1 0
    Goto next
timeout:
    MessageBox MB_OK|MB_ICONSTOP "Kestrava did not stop within 10 seconds.$\r$\n$\r$\nStop it with its tray menu (Stop Kestrava), then run this again." /SD IDOK
    SetErrorLevel 2
    Abort "Kestrava did not stop within 10 seconds: nothing was changed."
done:
FunctionEnd

!macroend
!insertmacro DEFINE_STOP_KESTRAVA ""
!insertmacro DEFINE_STOP_KESTRAVA "un."

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
    StrCpy $SignIn 1
    StrCpy $RunAtEnd 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/SIGNIN=" $R1
    ${IfNot} ${Errors}
    ${AndIf} $R1 == 0
        StrCpy $SignIn 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/RUN" $R1
    ${IfNot} ${Errors}
        StrCpy $RunAtEnd 1
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

Section
    SetOutPath "$INSTDIR"
    Call StopKestrava
    !insertmacro DELETE_LEFTOVERS
    Call CheckHookLibrary
    !insertmacro SET_ASIDE Kestrava.exe
    ${If} $HookUnchanged == 0
        !insertmacro SET_ASIDE Kestrahk.dll
    ${EndIf}
    ; Kestrava.dat (the user's hot keys) is never touched.
    ClearErrors
    File "${BIN_DIR}/Kestrava.exe"
    ${If} $HookUnchanged == 0
        File "${BIN_DIR}/Kestrahk.dll"
    ${EndIf}
    ; A silent run skips a file it cannot write: that must not pass for an install.
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Kestrava's files in $INSTDIR could not be replaced." /SD IDOK
        SetErrorLevel 2
        Abort "Kestrava's files could not be replaced."
    ${EndIf}
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\Kestrava.exe"

    ${If} $SignIn == ${BST_CHECKED}
        WriteRegStr HKCU "${RUN_KEY}" "Kestrava" '"$INSTDIR\Kestrava.exe"'
    ${Else}
        DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
        DeleteRegValue HKCU "${APPROVED_KEY}" "Kestrava"
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

    ${IfNot} ${Silent}
    ${OrIf} $RunAtEnd == 1
        Exec '"$INSTDIR\Kestrava.exe"'
    ${EndIf}
SectionEnd

Section Uninstall
    Call un.StopKestrava
    !insertmacro SET_ASIDE Kestrava.exe
    !insertmacro SET_ASIDE Kestrahk.dll
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
    RMDir "$INSTDIR"
SectionEnd
