; The Windows installer: the 64-bit DLL into the 64-bit VST folder, the 32-bit DLL into
; the 32-bit one (both folders can be changed, on pages or with /VST64=DIR /VST32=DIR),
; an uninstaller registered with Windows. /S installs silently.
;
; makensis -DVERSION=1.6.0 -DNUMERIC_VERSION=1.6.0.0 -DDLL64=... -DDLL32=... \
;          -DLICENSE_FILE=LICENSE.txt -DOUTFILE=Moltaro-1.6.0-setup.exe moltaro.nsi
;
; What the uninstaller removes is exactly what was installed: the two DLLs, folders the
; installer created and that are empty again, its own files and registry keys. The
; user's presets, banks and A/B memories (SOFTWARE\ZUN-soundlab\ZUNmo15) stay.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include LogicLib.nsh

!define PRODUCT "ZUN Moltaro"
!define STATE_KEY "Software\ZUN-soundlab\Moltaro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZUN Moltaro"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${NUMERIC_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 3 or later"

Var Vst64Dir
Var Vst32Dir
Var Old64Dir        ; folders of an earlier installation, emptied of its DLLs
Var Old32Dir
Var Made64          ; "1" when this installation created the folder
Var Made32

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"

!define MUI_PAGE_CUSTOMFUNCTION_PRE Skip64OnWin32
!define MUI_DIRECTORYPAGE_VARIABLE $Vst64Dir
!define MUI_PAGE_HEADER_TEXT "VST folder for 64-bit hosts"
!define MUI_PAGE_HEADER_SUBTEXT "Where 64-bit hosts find Moltaro.dll."
!define MUI_DIRECTORYPAGE_TEXT_TOP "The 64-bit Moltaro.dll goes into this folder. Choose the folder your 64-bit host scans for VST plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "64-bit VST folder"
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_DIRECTORYPAGE_VARIABLE $Vst32Dir
!define MUI_PAGE_HEADER_TEXT "VST folder for 32-bit hosts"
!define MUI_PAGE_HEADER_SUBTEXT "Where 32-bit hosts find Moltaro.dll."
!define MUI_DIRECTORYPAGE_TEXT_TOP "The 32-bit Moltaro.dll goes into this folder. Choose the folder your 32-bit host scans for VST plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "32-bit VST folder"
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function Skip64OnWin32
  ${IfNot} ${RunningX64}
    Abort
  ${EndIf}
FunctionEnd

; A folder's default: the earlier installation's choice, else the folder hosts are told
; about in HKLM\Software\VST (in the registry view of that bitness), else the usual one.
!macro DefaultFolder VAR NAME VIEW FALLBACK
  ReadRegStr ${VAR} HKLM "${STATE_KEY}" "${NAME}"
  ${If} ${VAR} == ""
    SetRegView ${VIEW}
    ReadRegStr ${VAR} HKLM "Software\VST" "VSTPluginsPath"
    ${If} ${RunningX64}
      SetRegView 64
    ${Else}
      SetRegView 32
    ${EndIf}
  ${EndIf}
  ${If} ${VAR} == ""
    StrCpy ${VAR} "${FALLBACK}"
  ${EndIf}
!macroend

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${EndIf}
  ReadRegStr $Old64Dir HKLM "${STATE_KEY}" "Vst64Dir"
  ReadRegStr $Old32Dir HKLM "${STATE_KEY}" "Vst32Dir"
  !insertmacro DefaultFolder $Vst64Dir "Vst64Dir" 64 "$PROGRAMFILES64\VstPlugins"
  !insertmacro DefaultFolder $Vst32Dir "Vst32Dir" 32 "$PROGRAMFILES32\VstPlugins"
  ${GetParameters} $R0
  ; "/VST64=C:\Program Files\VstPlugins" (as PowerShell and Wine quote) becomes the
  ; /VST64="C:\Program Files\VstPlugins" that GetOptions reads.
  ${WordReplace} $R0 '"/VST64=' '/VST64="' "+" $R0
  ${WordReplace} $R0 '"/VST32=' '/VST32="' "+" $R0
  ClearErrors
  ${GetOptions} $R0 "/VST64=" $R1
  ${IfNot} ${Errors}
    StrCpy $Vst64Dir $R1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/VST32=" $R1
  ${IfNot} ${Errors}
    StrCpy $Vst32Dir $R1
  ${EndIf}
FunctionEnd

; Copies a DLL into its folder; a DLL the host still holds open cannot be replaced, which
; ends the installation with a message instead of leaving an old and a new half.
!macro InstallDll SOURCE FOLDER MADE OLD NAME
  StrCpy ${MADE} ""
  ${IfNot} ${FileExists} "${FOLDER}\*.*"
    StrCpy ${MADE} "1"
  ${EndIf}
  ReadRegStr $R2 HKLM "${STATE_KEY}" "${NAME}Made"
  ${If} $R2 == "1"
  ${AndIf} ${OLD} == ${FOLDER}
    StrCpy ${MADE} "1"
  ${EndIf}
  SetOutPath "${FOLDER}"
  ClearErrors
  File "/oname=Moltaro.dll" "${SOURCE}"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Could not write ${FOLDER}\Moltaro.dll. Close your plug-in host and run the installer again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; An earlier installation into another folder: its DLL goes, the folder only if empty.
  ${If} ${OLD} != ""
  ${AndIf} ${OLD} != ${FOLDER}
    Delete "${OLD}\Moltaro.dll"
    ReadRegStr $R2 HKLM "${STATE_KEY}" "${NAME}Made"
    ${If} $R2 == "1"
      RMDir "${OLD}"
    ${EndIf}
  ${EndIf}
  WriteRegStr HKLM "${STATE_KEY}" "${NAME}" "${FOLDER}"
  WriteRegStr HKLM "${STATE_KEY}" "${NAME}Made" "${MADE}"
!macroend

Section "Moltaro"
  SetOverwrite on
  ${If} ${RunningX64}
    !insertmacro InstallDll "${DLL64}" $Vst64Dir $Made64 $Old64Dir "Vst64Dir"
  ${EndIf}
  !insertmacro InstallDll "${DLL32}" $Vst32Dir $Made32 $Old32Dir "Vst32Dir"

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${STATE_KEY}" "Version" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "ZUN soundlab"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" 10000
SectionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

!macro RemoveDll NAME
  ReadRegStr $R0 HKLM "${STATE_KEY}" "${NAME}"
  ${If} $R0 != ""
    Delete "$R0\Moltaro.dll"
    ReadRegStr $R1 HKLM "${STATE_KEY}" "${NAME}Made"
    ${If} $R1 == "1"
      RMDir "$R0"     ; only when empty: files of the user's stay, and their folder with them
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  !insertmacro RemoveDll "Vst64Dir"
  !insertmacro RemoveDll "Vst32Dir"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${STATE_KEY}"
  DeleteRegKey /ifempty HKLM "Software\ZUN-soundlab"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
