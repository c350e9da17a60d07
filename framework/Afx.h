#pragma once

// Everything an application built on the framework uses, for its sources to
// include in one line.
#include <windows.h>
#include <commctrl.h>

#include "framework/AfxMessageBox.h"
#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CFileDialog.h"
#include "framework/CImageList.h"
#include "framework/CListCtrl.h"
#include "framework/CMenu.h"
#include "framework/CPaintDC.h"
#include "framework/CSpinButtonCtrl.h"
#include "framework/CString.h"
#include "framework/CTabCtrl.h"
#include "framework/CWnd.h"
#include "framework/Handles.h"
#include "framework/MessageMap.h"
#include "framework/WinApp.h"
#include "framework/WindowRef.h"
#include "profile/Profile.h"
