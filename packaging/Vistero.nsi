; Vistero's installer and uninstaller, one script for both architectures.
; The build runs it as
;   makensis -DARCH=x64|x86 -DVERSION=1.1 -DFILEVERSION=1.1.0.0
;            -DEXE=.../Vistero.exe -DICON=.../Vistero.ico -DOUTFILE=... Vistero.nsi
;
; Installer switches:   /S  silent (installs for the current user)
;                       /AllUsers     for everyone, in Program Files (asks for
;                                     administrator rights when it lacks them)
;                       /CurrentUser  for the current user (the default)
;                       /D=folder     install folder; must come last
; Uninstaller switches: /S  silent (keeps the settings)
;                       /RemoveSettings  also deletes %APPDATA%\Vistero.INI
;
; Exit codes: 0 done, 1 cancelled by the user, 2 failed (for instance
; Vistero would not end, or administrator rights were refused).

!macro VisteroRequire NAME
  !ifndef ${NAME}
    !error "Define ${NAME} on the makensis command line"
  !endif
!macroend
!insertmacro VisteroRequire ARCH
!insertmacro VisteroRequire VERSION
!insertmacro VisteroRequire FILEVERSION
!insertmacro VisteroRequire EXE
!insertmacro VisteroRequire ICON
!insertmacro VisteroRequire OUTFILE

; A 64-bit installer for the 64-bit program: it sees the 64-bit registry and
; Program Files without redirection, and needs no 32-bit subsystem to run.
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x64 or x86"
!endif

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Util.nsh

!define PRODUCT "Vistero"
!define PUBLISHER "The Vistero developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistero"
; The program's hidden window and its tray menu's Exit command.
!define VISTERO_WINDOW "VisteroWnd"
!define ID_EXIT 40002
; How long Vistero gets to end after it is asked to, in milliseconds.
!define EXIT_WAIT 5000
; Where SHELLEXECUTEINFOW keeps the started process's handle.
!if ${NSIS_PTR_SIZE} > 4
  !define SEI_HPROCESS 104
!else
  !define SEI_HPROCESS 56
!endif

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
OutFile "${OUTFILE}"
; A per-user install needs no rights; an install for all users starts the
; installer again with administrator rights (RunElevated below).
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILEVERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup (${ARCH})"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

Var InstallMode        ; CurrentUser or AllUsers
Var ModeFromCommandLine
Var DirFromCommandLine
Var ModePage.CurrentUser
Var ModePage.AllUsers

; ---------------------------------------------------------------------------
; Pages

Page custom ModePageCreate ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartVistero
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "${PRODUCT} will be removed from this computer. Your settings, the list of pictures and the options, stay unless you tick the box below."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Also remove:"
!define MUI_PAGE_HEADER_TEXT "Your Settings"
!define MUI_PAGE_HEADER_SUBTEXT "Choose whether your ${PRODUCT} settings go as well."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Helpers shared by the installer and the uninstaller (the uninstaller's
; copies carry the prefix "un.").

!macro VisteroHelpers UN

; Pushes 1 when this process has administrator rights, else 0. Under UAC an
; administrator's process has them only once elevated.
Function ${UN}HasAdminRights
  Push $0
  System::Call 'shell32::IsUserAnAdmin() i .r0'
  ${If} $0 != 0
    StrCpy $0 1
  ${EndIf}
  Exch $0
FunctionEnd

; Starts this program again with administrator rights ("runas") and the
; arguments on the stack, waits for it to end and pushes its exit code, or
; "error" when it did not start (the user said no, or the system refused).
Function ${UN}RunElevated
  Exch $R0            ; arguments
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  ; The strings get buffers of their own, so that the structure holds plain
  ; pointers whatever the plug-in does with strings inside a structure.
  StrCpy $R5 $EXEPATH
  System::Call '*(&w6 "runas") p .R2'
  System::Call '*(&w${NSIS_MAX_STRLEN} R5) p .R3'
  System::Call '*(&w${NSIS_MAX_STRLEN} R0) p .R4'
  ; SHELLEXECUTEINFOW with SEE_MASK_NOCLOSEPROCESS (0x40) and SW_SHOWNORMAL.
  ; The plug-in packs members, so the x64 layout spells out its padding.
  !if ${NSIS_PTR_SIZE} > 4
    System::Call '*(i 112, i 0x40, p $HWNDPARENT, p R2, p R3, p R4, p 0, i 1, i 0, p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .R1'
  !else
    System::Call '*(i 60, i 0x40, p $HWNDPARENT, p R2, p R3, p R4, p 0, i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .R1'
  !endif
  System::Call 'shell32::ShellExecuteExW(p R1) i .R5'
  ${If} $R5 == 0
    StrCpy $R0 "error"
  ${Else}
    ${IntPtrOp} $R5 $R1 + ${SEI_HPROCESS}
    System::Call '*$R5(p .R5)'
    ${If} $R5 P= 0
      StrCpy $R0 "error"
    ${Else}
      System::Call 'kernel32::WaitForSingleObject(p R5, i -1) i'
      System::Call 'kernel32::GetExitCodeProcess(p R5, *i .R0) i'
      System::Call 'kernel32::CloseHandle(p R5) i'
    ${EndIf}
  ${EndIf}
  System::Free $R1
  System::Free $R2
  System::Free $R3
  System::Free $R4
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Ends a running Vistero before its exe is replaced or removed: posts its
; window the Exit command and waits for the process to end. Vistero refuses
; to exit while its configuration dialog or one of its message boxes is open
; (the box that says a timed change failed runs inside its window, which must
; not go meanwhile); then the user may retry after closing them, and a silent
; run fails (exit code 2) without having changed anything.
Function ${UN}EndRunningVistero
  Push $0
  Push $1
  Push $2
  Push $3
  retry:
  FindWindow $0 "" "${VISTERO_WINDOW}"
  ${If} $0 P<> 0
    DetailPrint "Ending the running ${PRODUCT}"
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; SYNCHRONIZE: enough to wait for the process.
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${ID_EXIT}, p 0) i'
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${EXIT_WAIT}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2) i'
    ${Else}
      ; No handle on the process (another user's, say): wait for the window.
      StrCpy $3 0
      ${Do}
        FindWindow $0 "" "${VISTERO_WINDOW}"
        ${IfThen} $0 P= 0 ${|} ${Break} ${|}
        Sleep 100
        IntOp $3 $3 + 100
      ${LoopUntil} $3 >= ${EXIT_WAIT}
    ${EndIf}
    FindWindow $0 "" "${VISTERO_WINDOW}"
    ${If} $0 P<> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is still running and did not end when asked to.$\r$\n$\r$\nClose its configuration dialog and any ${PRODUCT} message box that is open, or choose Exit ${PRODUCT} from its icon in the notification area, then choose Retry." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Pop $3
      Pop $2
      Pop $1
      Pop $0
      Abort "${PRODUCT} is still running."
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macroend

!insertmacro VisteroHelpers ""
!insertmacro VisteroHelpers "un."

; ---------------------------------------------------------------------------
; Installer

; The folder Vistero goes to in the chosen mode, unless /D= gave one or an
; earlier install of the same mode did.
Function SetModeDefaults
  ${If} $InstallMode == "AllUsers"
    SetShellVarContext all
    StrCpy $0 "$PROGRAMFILES\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    GetKnownFolderPath $0 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; FOLDERID_UserProgramFiles
    ${If} $0 == ""
      StrCpy $0 "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $0 "$0\${PRODUCT}"
  ${EndIf}
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
    StrCpy $0 $1
  ${EndIf}
  ${If} $DirFromCommandLine == ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; Switches to all users; without administrator rights, runs the installer
; again elevated with the same arguments and ends this one with its result.
Function EnterAllUsersMode
  Call HasAdminRights
  Pop $0
  ${If} $0 == 0
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/Elevated" $2
    ${IfNot} ${Errors}
      ; Started elevated and still without rights: don't loop.
      MessageBox MB_OK|MB_ICONSTOP "Installing ${PRODUCT} for all users needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    ${If} $ModeFromCommandLine == ""
      ; Chosen on the page: the elevated run must not ask again.
      StrCpy $1 "/AllUsers $1"
    ${EndIf}
    ; /Elevated first: /D= has to stay last.
    Push "/Elevated $1"
    HideWindow   ; the elevated installer shows its own pages
    Call RunElevated
    Pop $0
    ${If} $0 == "error"
      BringToFront
      Push 0   ; stay on the page
      Return
    ${EndIf}
    SetErrorLevel $0
    Quit
  ${EndIf}
  StrCpy $InstallMode "AllUsers"
  Call SetModeDefaults
  Push 1
FunctionEnd

Function .onInit
  ; /D= has already set $INSTDIR, which has no default of its own.
  StrCpy $DirFromCommandLine $INSTDIR
  StrCpy $InstallMode "CurrentUser"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $ModeFromCommandLine "AllUsers"
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $ModeFromCommandLine "CurrentUser"
  ${EndIf}
  ${If} $ModeFromCommandLine == "AllUsers"
    Call EnterAllUsersMode
    Pop $0
    ${If} $0 == 0
      MessageBox MB_OK|MB_ICONSTOP "Installing ${PRODUCT} for all users needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Else}
    Call SetModeDefaults
  ${EndIf}
FunctionEnd

Function ModePageCreate
  ${If} $ModeFromCommandLine != ""
    Abort   ; the command line chose already
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT}."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "${PRODUCT} can be installed for you alone, or for every user of this computer."
  Pop $0
  ${NSD_CreateRadioButton} 10u 32u 95% 12u "Only for &me (no administrator rights needed)"
  Pop $ModePage.CurrentUser
  ${NSD_CreateRadioButton} 10u 50u 95% 12u "For &anyone who uses this computer (needs administrator rights)"
  Pop $ModePage.AllUsers
  ${If} $InstallMode == "AllUsers"
    ${NSD_Check} $ModePage.AllUsers
  ${Else}
    ${NSD_Check} $ModePage.CurrentUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModePage.AllUsers $0
  ${If} $0 == ${BST_CHECKED}
    Call EnterAllUsersMode
    Pop $0
    ${If} $0 == 0
      MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} was not installed for all users: administrator rights were not granted."
      Abort
    ${EndIf}
  ${Else}
    StrCpy $InstallMode "CurrentUser"
    Call SetModeDefaults
  ${EndIf}
FunctionEnd

Section "-Vistero" SecVistero
  Call EndRunningVistero
  SetOutPath "$INSTDIR"
  File "/oname=Vistero.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; One shortcut straight in the Programs folder, as current Windows expects.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Vistero.exe" "" "$INSTDIR\Vistero.exe" 0 SW_SHOWNORMAL "" "Choose the pictures ${PRODUCT} puts on the desktop"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vistero.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Started from the last page: Vistero opens its configuration dialog, as a
; start by hand does. From an elevated installer it goes through the shell,
; so that the program runs with the user's own rights.
Function StartVistero
  ${If} $InstallMode == "AllUsers"
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Vistero.exe"'
  ${Else}
    Exec '"$INSTDIR\Vistero.exe"'
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

; Deletes the Startup-folder shortcut that Vistero writes at every start,
; unless it starts another copy of Vistero (a portable one, say), whose
; start at logon must not go away with this one.
Function un.RemoveStartupShortcut
  ; Vistero writes it into the folder of the user who runs it.
  SetShellVarContext current
  StrCpy $0 "$SMSTARTUP\${PRODUCT}.lnk"
  ${If} ${FileExists} $0
    StrCpy $1 ""
    System::Call 'ole32::CoInitialize(p 0) i .r5'
    ; CLSID_ShellLink as IShellLinkW, then IPersistFile::Load (slot 5) and
    ; IShellLinkW::GetPath (slot 3).
    System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, g "{000214F9-0000-0000-C000-000000000046}", *p .r2) i .r4'
    ${If} $4 = 0
      System::Call '$2->0(g "{0000010b-0000-0000-C000-000000000046}", *p .r3) i .r4'
      ${If} $4 = 0
        System::Call '$3->5(w r0, i 0) i .r4'
        ${If} $4 = 0
          System::Call '$2->3(w .r1, i ${NSIS_MAX_STRLEN}, p 0, i 0) i'
        ${EndIf}
        System::Call '$3->2()'
      ${EndIf}
      System::Call '$2->2()'
    ${EndIf}
    ${If} $5 >= 0
      System::Call 'ole32::CoUninitialize()'
    ${EndIf}
    ; A link that can't be read starts nothing; it goes too.
    StrCpy $2 "keep"
    ${If} $1 == ""
      StrCpy $2 "remove"
    ${ElseIf} $1 == "$INSTDIR\Vistero.exe"
      StrCpy $2 "remove"
    ${Else}
      ; The same file under another spelling (8.3 names).
      System::Call 'kernel32::GetLongPathNameW(w r1, w .r3, i ${NSIS_MAX_STRLEN}) i'
      System::Call 'kernel32::GetLongPathNameW(w "$INSTDIR\Vistero.exe", w .r4, i ${NSIS_MAX_STRLEN}) i'
      ${If} $3 != ""
      ${AndIf} $3 == $4
        StrCpy $2 "remove"
      ${EndIf}
    ${EndIf}
    ${If} $2 == "remove"
      Delete $0
    ${Else}
      DetailPrint "Kept $0: it starts $1"
    ${EndIf}
  ${EndIf}
  ${If} $InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "-un.Vistero"
  Call un.EndRunningVistero
  Call un.RemoveStartupShortcut

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Vistero.exe"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only if empty: whatever the user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.My ${PRODUCT} settings" SecUnSettings
  ; The settings are the user's own, wherever Vistero was installed; the
  ; temporary file is what an interrupted save may leave behind.
  SetShellVarContext current
  Delete "$APPDATA\${PRODUCT}.INI"
  Delete "$APPDATA\${PRODUCT}.INI.bak"
  Delete "$APPDATA\${PRODUCT}.INI.tmp"
  ${If} $InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}
SectionEnd

Function un.onInit
  ; Installed for all users when the machine-wide entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    StrCpy $InstallMode "AllUsers"
    Call un.HasAdminRights
    Pop $1
    ${If} $1 == 0
      ${GetParameters} $2
      ClearErrors
      ${GetOptions} $2 "/Elevated" $3
      ${If} ${Errors}
        ; /Elevated first: _?= has to stay last.
        Push "/Elevated $2"
        Call un.RunElevated
        Pop $0
        ${If} $0 != "error"
          SetErrorLevel $0
          Quit
        ${EndIf}
      ${EndIf}
      MessageBox MB_OK|MB_ICONSTOP "Removing ${PRODUCT}, installed for all users, needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    StrCpy $InstallMode "CurrentUser"
    SetShellVarContext current
  ${EndIf}

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
