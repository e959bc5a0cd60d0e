// The screen's list of forms and the application object: its hidden window, message loop and
// top-level error reporting.
#include "Forms.h"

#include <algorithm>

#include "Menus.h"
#include "Utf8.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// ---- TScreen --------------------------------------------------------------------------------

const TClassInfo& TScreen::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TScreen>(L"TScreen", &TComponent::StaticClassInfo()).Build();
    return info;
}

TCustomForm* TScreen::Forms(int index) const
{
    if (index < 0 || index >= FormCount())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    return FForms[static_cast<size_t>(index)];
}

RECT TScreen::WorkAreaRect() const
{
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

void TScreen::AddForm(TCustomForm* form)
{
    FForms.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
}

void TScreen::FormActivated(TCustomForm* form)
{
    RemoveForm(form);
    FForms.insert(FForms.begin(), form);
}

// ---- TApplication ---------------------------------------------------------------------------

namespace {

LRESULT CALLBACK ApplicationWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::wstring ProgramName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

}  // namespace

const TClassInfo& TApplication::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TApplication>(L"TApplication", &TComponent::StaticClassInfo()).Build();
    return info;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner)
{
    if (!Application) {
        Application = this;
        SetExceptionHandler([this] { HandleException(); });
    }
    if (!Screen)
        Screen = new TScreen(nullptr);
    FTitle = ProgramName();
    // Hidden, zero-sized: it owns nothing visible but stands for the program as a whole.
    FHandle = CreateUtilityWindow(L"TApplication", ApplicationWndProc, FTitle, WS_EX_TOOLWINDOW, WS_POPUP, nullptr);
}

TApplication::~TApplication()
{
    Destroying();
    DestroyComponents();
    if (FHandle)
        DestroyWindow(FHandle);
    if (Application == this) {
        SetExceptionHandler(nullptr);
        Application = nullptr;
        delete Screen;
        Screen = nullptr;
    }
}

void TApplication::Initialize()
{
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm)
        FMainForm = nullptr;
}

std::wstring TApplication::Title() const
{
    return FTitle;
}

void TApplication::SetTitle(const std::wstring& value)
{
    FTitle = value;
    if (FHandle)
        SetWindowTextW(FHandle, value.c_str());
}

std::wstring TApplication::ErrorText(const std::wstring& message)
{
    if (!message.empty() && message.back() > L'.')
        return message + L".";
    return message;
}

void TApplication::ShowException(const Exception& e)
{
    const std::wstring text = ErrorText(e.Message());
    // An error from a timer comes while another program may be in front: the box is brought
    // forward rather than opening unseen behind it.
    const UINT style = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
    HWND owner = ErrorBoxOwner();
    if (FReporter) {
        FReporter(owner, text, FTitle, style);
        return;
    }
    MessageBoxW(owner, text.c_str(), FTitle.c_str(), style);
}

HWND TApplication::ErrorBoxOwner() const
{
    if (FMainForm && FMainForm->HandleAllocated()) {
        HWND main = FMainForm->Handle();
        if (IsWindowVisible(main) && IsWindowEnabled(main))
            return main;
    }
    HWND active = GetActiveWindow();
    return active ? active : FHandle;
}

void TApplication::HandleException()
{
    try {
        throw;
    } catch (const Exception& e) {
        ShowException(e);
    } catch (const std::bad_alloc&) {
        ShowException(EOutOfResources(L"Out of memory"));
    } catch (const std::exception& e) {
        ShowException(Exception(Utf8ToWide(e.what())));
    } catch (...) {
        ShowException(Exception(L""));
    }
}

namespace {

// Keys with Ctrl or Alt and the function keys go to the menus before the focused window; any
// other key only when that window takes no characters, so an edit box keeps its letters,
// digits, arrows and punctuation.
bool OfferedToMenus(const MSG& msg, WORD key, TShiftState shift)
{
    switch (key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LWIN: case VK_RWIN: case VK_CAPITAL:
        return false;
    default:
        break;
    }
    if (shift.Contains(ssCtrl) || shift.Contains(ssAlt) || (key >= VK_F1 && key <= VK_F24))
        return true;
    const LRESULT wants = SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
    const bool arrow = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    return !(wants & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | (arrow ? DLGC_WANTARROWS : 0)));
}

bool IsShortCutMsg(TWinControl* control, const MSG& msg)
{
    const auto key = static_cast<WORD>(msg.wParam);
    const TShiftState shift = KeyboardShiftState();
    if (!OfferedToMenus(msg, key, shift))
        return false;
    TCustomForm* form = GetParentForm(control);
    return form && form->IsShortCut(key, shift);
}

}  // namespace

bool TApplication::IsKeyMsg(MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    // Walk up to the nearest window of ours: its form's menus may take the key as a shortcut,
    // then the control decides whether it is a dialog key.
    for (HWND w = msg.hwnd; w; w = GetParent(w)) {
        if (TWinControl* control = TWinControl::FindControl(w))
            return IsShortCutMsg(control, msg) || control->Perform(CN_KEYDOWN, msg.wParam, msg.lParam) != 0;
        if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    return false;
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    try {
        if (OnMessage)
            OnMessage(msg, handled);
        if (!handled)
            handled = IsKeyMsg(msg);
    } catch (...) {
        HandleCurrentException();
        handled = true;
    }
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (!ProcessMessage(msg))
        WaitMessage();
}

void TApplication::Run()
{
    FTerminated = false;
    if (FMainForm)
        FMainForm->Show();
    while (!FTerminated)
        HandleMessage();
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}
