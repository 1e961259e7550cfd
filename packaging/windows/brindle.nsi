; Brindle's Windows installer (64-bit, for all users). Built by make-windows.sh:
; makensis -DVERSION=x.y.z -DYEAR=yyyy -DGENERATED=dir -DOUTFILE=file brindle.nsi
; GENERATED holds formats.nsh (one component per plug-in format, with its files, made
; from packaging/formats.txt and the payload) and brindle.ico.
; The VST 2 folder is the installation folder ($INSTDIR): /D= sets it for silent
; installs, the directory page asks for it, and the registry remembers it.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define PRODUCT "Brindle"
!define MAKER "Orvane"
!define PRODUCT_KEY "Software\${MAKER}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define APP_FOLDER "$PROGRAMFILES64\${MAKER}\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir ""
BrandingText "${PRODUCT} ${VERSION} by ${MAKER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${YEAR} ${MAKER}"

!define MUI_ICON "${GENERATED}\brindle.ico"
!define MUI_UNICON "${GENERATED}\brindle.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION} by ${MAKER}, a stereo utility audio plug-in, for every user of this computer.$\r$\n$\r$\nClose your audio programs before you go on, then rescan plug-ins in them afterwards."
!insertmacro MUI_PAGE_WELCOME
!define MUI_COMPONENTSPAGE_TEXT_TOP "Choose the plug-in formats to install. Hosts load the VST 3 and CLAP plug-ins from the common VST3 and CLAP folders; VST 2 hosts from the folder you choose next."
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderPage
!define MUI_PAGE_HEADER_TEXT "VST 2 plug-in folder"
!define MUI_PAGE_HEADER_SUBTEXT "Where your VST 2 host looks for plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "The VST 2 plug-in (brindle2.dll) is copied into this folder. Choose the folder your host scans for VST 2 plug-ins; other plug-ins in it are left as they are."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
; The progress page stays until Next, so its list of what was installed can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ${VERSION} is installed. Rescan plug-ins in your host to find it.$\r$\n$\r$\nTo remove it, use the system's list of installed programs."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; formats.nsh defines a section per format (SEC_<id>), the macros RemoveFormats (the
; files and folders of every format the registry says is installed) and
; AddSelectedSizes (the selected sections' sizes added to $0, in KB), and
; FOLDER_FORMAT, the id of the format installed into $INSTDIR.
!include "${GENERATED}\formats.nsh"

Section "-Register"
  SetRegView 64
  SetOutPath "${APP_FOLDER}"
  File "${GENERATED}\brindle.ico"
  WriteUninstaller "${APP_FOLDER}\uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
  StrCpy $0 0
  !insertmacro AddSelectedSizes
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${APP_FOLDER}\brindle.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${APP_FOLDER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${APP_FOLDER}\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${APP_FOLDER}\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInit
  SetRegView 64
  ; /D= given: keep it. Otherwise the folder of the last installation, else the default.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${PRODUCT_KEY}" "Folder_${FOLDER_FORMAT}"
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES64\VSTPlugins"
  ${EndIf}
FunctionEnd

Function SkipFolderPage
  ${IfNot} ${SectionIsSelected} ${SEC_${FOLDER_FORMAT}}
    Abort
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  ; Not a drive root such as C:\: its other files are no plug-ins.
  StrLen $0 $INSTDIR
  ${If} $0 < 4
    Abort
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  !insertmacro RemoveFormats
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${MAKER}"
  Delete "$INSTDIR\brindle.ico"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES64\${MAKER}"
SectionEnd
