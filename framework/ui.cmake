# The window, dialog and control classes and the application object (Windows).
add_library(framework STATIC
  AfxMessageBox.cpp
  CDialog.cpp
  CFileDialog.cpp
  CImageList.cpp
  CListCtrl.cpp
  CMenu.cpp
  CStringWin.cpp
  CWnd.cpp
  WinApp.cpp
  WindowRef.cpp)
# The application's profile operations go to the profile file.
target_link_libraries(framework PUBLIC framework_core profile)
target_link_libraries(framework PUBLIC comctl32 comdlg32 shell32 ole32 uuid)

# WinMain on its own, so that test programs can link the framework and bring
# their own main.
add_library(framework_main STATIC WinMain.cpp)
target_link_libraries(framework_main PUBLIC framework)
