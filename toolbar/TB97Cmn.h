// Services the docks and tool windows share: a process-wide registry of callbacks fed by
// thread-local window hooks, a quicksort of pointer lists with extra data for the
// comparison, the non-client update region as a clip region, WM_PRINT/WM_PRINTCLIENT
// support and the application-activity test.
#pragma once

#include <windows.h>

#include <cstdint>

#include "Classes.h"
#include "Controls.h"
#include "Sets.h"
#include "TB97Types.h"

// ---- Hook registry ---------------------------------------------------------------------

enum THookProcCode : uint8_t { hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy, hpPostMouseMove };
using THookProcCodes = TSet<THookProcCode>;

// Called with the event's code and the message's window and parameters (hpPreDestroy: the
// window being destroyed, 0, 0). A registration is identified by the procedure's address.
using THookProc = void (*)(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam);

// Registers Proc, or counts one more installation of it (its codes stay those of the first).
// Unless CountOnly, the hooks Codes need are counted and installed for this thread.
void InstallHookProc(THookProc Proc, THookProcCodes Codes, bool CountOnly);
// Undoes one installation of Proc; nothing when it is not registered. When the last
// registration goes every hook is removed and the registry is back to its initial state.
void UninstallHookProc(THookProc Proc);

// Read-only views of the registry, for tests and diagnostics. HookKind is WH_CALLWNDPROC,
// WH_CBT or WH_GETMESSAGE (any other kind: not installed, count 0).
bool HookRegistrationListExists();
int HookRegistrationCount();
int32_t HookProcRefCount(THookProc Proc);           // 0 when not registered
THookProcCodes HookProcRegisteredCodes(THookProc Proc);  // empty when not registered
bool HookInstalled(int HookKind);
int32_t HookUseCount(int HookKind);

// ---- Dock-position provider --------------------------------------------------------------

enum TGetToolbarDockPosType : uint8_t { gtpTop, gtpBottom, gtpLeft, gtpRight, gtpNone };
using TGetToolbarDockPosProcType = TGetToolbarDockPosType (*)(TControl* Control);
// Set by every tool window's construction; null at start.
extern TGetToolbarDockPosProcType GetToolbarDockPosProc;

// ---- Sorting ----------------------------------------------------------------------------

// Negative when Item1 sorts before Item2, 0 when equal, positive after.
using TListSortExCompare = int32_t (*)(void* Item1, void* Item2, void* ExtraData);

// Quicksort in place (not stable). Lists of fewer than two items are left alone without a
// comparison. A comparison that is not a consistent order raises EListError (the list's
// index error) instead of reading or writing outside the list.
void ListSortEx(TList& List, TListSortExCompare Compare, void* ExtraData);

// ---- Painting helpers ---------------------------------------------------------------------

// Clips a window device context to the non-client update region Rgn as WM_NCPAINT delivers
// it (screen coordinates; null or 1 means the whole window: the DC is left alone).
void SelectNCUpdateRgn(HWND Wnd, HDC DC, HRGN Rgn);

// Draws a window's non-client area into DC (window coordinates). AppData is the caller's,
// pointer-sized so that it can carry an object.
using THandleWMPrintNCPaintProc = void (*)(HWND Wnd, HDC DC, LPARAM AppData);

// Answers WM_PRINT (WParam the DC, LParam the PRF_* flags) for a window whose non-client
// area is drawn by NCPaintFunc (may be null). Message.Result becomes 1.
void HandleWMPrint(HWND Wnd, TMessage& Message, THandleWMPrintNCPaintProc NCPaintFunc, LPARAM AppData);
// Answers WM_PRINTCLIENT by painting Control and its non-windowed children into the DC in
// Message.WParam. Message.Result is left as it is.
void HandleWMPrintClient(TWinControl* Control, TMessage& Message);

// True when this thread has an active window.
bool ApplicationIsActive();
