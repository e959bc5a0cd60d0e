// A side-by-side stereo test picture for trying Tinteye with nothing of one's own: the left view
// in the left half of the window, the right view in the right half. Shapes, their labels and a
// grid are drawn at known disparities d (left-view x minus right-view x, in pixels).
//
// Tinteye takes red from the left view shifted left by its offset (30 by default) and cyan from
// the right view, so with offset 30 an item at d = 30 lies on the screen plane, larger d in front
// of it and smaller d behind it (through red/cyan glasses, red over the left eye).
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

const wchar_t ClassName[] = L"TinteyeSampleView";
const wchar_t Title[] = L"Tinteye sample \u2014 side-by-side stereo";
const int ClientWidth = 800, ClientHeight = 400;
const int ScreenPlane = 30;  // d that Tinteye's default offset puts on the screen

enum TEye { eyLeft, eyRight };
enum TShape { shCircle, shSquare, shTriangle, shDiamond, shRing, shCross };

struct TItem {
    int Disparity;
    TShape Shape;
    COLORREF Fill;
    double X, Y;  // centre, as a fraction of the view
};

// Nearest first. Light colours, so that both the red and the cyan image are bright. Kept away
// from the edges of the views: near the right edge of its picture Tinteye takes red from the
// first pixels of the right view.
const TItem Items[] = {
    {40, shCircle, RGB(250, 250, 250), 0.25, 0.40},
    {30, shSquare, RGB(235, 235, 200), 0.50, 0.40},
    {20, shTriangle, RGB(220, 240, 240), 0.75, 0.40},
    {10, shDiamond, RGB(230, 230, 230), 0.25, 0.74},
    {0, shRing, RGB(240, 220, 220), 0.50, 0.74},
    {-10, shCross, RGB(210, 210, 210), 0.75, 0.74},
};

// Tinteye splits the window's outer rectangle, frame included, and pairs each pixel with the
// right-view pixel one to its left; the right view is moved by the frame width less one so that
// the disparities come out as stated.
int FrameCorrection = 0;

void MeasureFrame(HWND Wnd)
{
    RECT Outer;
    POINT Origin = {0, 0};
    GetWindowRect(Wnd, &Outer);
    ClientToScreen(Wnd, &Origin);
    FrameCorrection = Origin.x - Outer.left - 1;
}

// Horizontal shift of something at disparity D in one eye's view: the two add up to D.
int Shift(TEye Eye, int D)
{
    return Eye == eyLeft ? D - D / 2 : -(D / 2) + FrameCorrection;
}

// Restores the selected object and deletes the created one.
class TSelected {
public:
    TSelected(HDC DC, HGDIOBJ Object) : FDC(DC), FObject(Object), FOld(SelectObject(DC, Object)) {}
    ~TSelected()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FObject);
    }
    TSelected(const TSelected&) = delete;
    TSelected& operator=(const TSelected&) = delete;

private:
    HDC FDC;
    HGDIOBJ FObject, FOld;
};

HFONT MakeFont(int Height, int Weight)
{
    return CreateFontW(-Height, 0, 0, 0, Weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

void DrawGrid(HDC DC, int Left, int Width, int Height, TEye Eye)
{
    TSelected Pen(DC, CreatePen(PS_SOLID, 1, RGB(90, 90, 90)));
    const int Step = 40, X0 = Left + Shift(Eye, ScreenPlane);
    for (int X = X0 - Step * ((X0 - Left) / Step + 1); X < Left + Width; X += Step) {
        MoveToEx(DC, X, 0, nullptr);
        LineTo(DC, X, Height);
    }
    for (int Y = Step / 2; Y < Height; Y += Step) {
        MoveToEx(DC, Left, Y, nullptr);
        LineTo(DC, Left + Width, Y);
    }
}

void DrawShape(HDC DC, TShape Shape, int Cx, int Cy, int R)
{
    switch (Shape) {
    case shCircle: Ellipse(DC, Cx - R, Cy - R, Cx + R, Cy + R); break;
    case shSquare: Rectangle(DC, Cx - R, Cy - R, Cx + R, Cy + R); break;
    case shTriangle: {
        const POINT P[3] = {{Cx, Cy - R}, {Cx + R, Cy + R}, {Cx - R, Cy + R}};
        Polygon(DC, P, 3);
        break;
    }
    case shDiamond: {
        const POINT P[4] = {{Cx, Cy - R}, {Cx + R, Cy}, {Cx, Cy + R}, {Cx - R, Cy}};
        Polygon(DC, P, 4);
        break;
    }
    case shRing: {
        Ellipse(DC, Cx - R, Cy - R, Cx + R, Cy + R);
        TSelected Hole(DC, CreateSolidBrush(RGB(24, 24, 24)));
        Ellipse(DC, Cx - R / 2, Cy - R / 2, Cx + R / 2, Cy + R / 2);
        break;
    }
    case shCross: {
        const int T = R / 3;
        const POINT P[12] = {{Cx - T, Cy - R}, {Cx + T, Cy - R}, {Cx + T, Cy - T},
                             {Cx + R, Cy - T}, {Cx + R, Cy + T}, {Cx + T, Cy + T},
                             {Cx + T, Cy + R}, {Cx - T, Cy + R}, {Cx - T, Cy + T},
                             {Cx - R, Cy + T}, {Cx - R, Cy - T}, {Cx - T, Cy - T}};
        Polygon(DC, P, 12);
        break;
    }
    }
}

void DrawCentredText(HDC DC, const wchar_t* Text, int Cx, int Top, int Width)
{
    RECT R = {Cx - Width / 2, Top, Cx + Width / 2, Top + 40};
    DrawTextW(DC, Text, -1, &R, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

// One eye's view in the band [Left, Left + Width) of the picture.
void DrawView(HDC DC, int Left, int Width, int Height, TEye Eye)
{
    const RECT Band = {Left, 0, Left + Width, Height};
    HBRUSH Background = CreateSolidBrush(RGB(24, 24, 24));
    FillRect(DC, &Band, Background);
    DeleteObject(Background);
    DrawGrid(DC, Left, Width, Height, Eye);

    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, RGB(255, 255, 255));
    const int Plane = Shift(Eye, ScreenPlane);
    {
        TSelected Font(DC, MakeFont(std::max(12, Height / 18), FW_BOLD));
        DrawCentredText(DC, L"Tinteye sample", Left + Width / 2 + Plane, Height / 30, Width);
    }
    TSelected Font(DC, MakeFont(std::max(10, Height / 28), FW_NORMAL));
    DrawCentredText(DC, L"offset 30: d = 30 on the screen, larger d in front",
             Left + Width / 2 + Plane, Height - Height / 14, Width);

    const int R = std::max(6, std::min(Width, Height) / 12);
    TSelected Pen(DC, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
    // Farthest first, so that nearer items are drawn over farther ones.
    for (int I = int(std::size(Items)) - 1; I >= 0; --I) {
        const TItem& It = Items[I];
        const int Cx = Left + int(It.X * Width) + Shift(Eye, It.Disparity);
        const int Cy = int(It.Y * Height);
        TSelected Fill(DC, CreateSolidBrush(It.Fill));
        DrawShape(DC, It.Shape, Cx, Cy - R / 2, R);
        wchar_t Label[24];
        std::swprintf(Label, std::size(Label), L"d = %d", It.Disparity);
        DrawCentredText(DC, Label, Cx, Cy + R / 2 + 4, Width / 3);
    }
}

void PaintPicture(HDC DC, int Width, int Height)
{
    const int Half = Width / 2;
    for (TEye Eye : {eyLeft, eyRight}) {
        const int Left = Eye == eyLeft ? 0 : Half;
        const int BandWidth = Eye == eyLeft ? Half : Width - Half;
        const int Saved = SaveDC(DC);
        IntersectClipRect(DC, Left, 0, Left + BandWidth, Height);  // nothing spills across
        DrawView(DC, Left, BandWidth, Height, Eye);
        RestoreDC(DC, Saved);
    }
}

// Drawn off screen and copied in one go, so that a repaint never flickers.
void WMPaint(HWND Wnd)
{
    PAINTSTRUCT Ps;
    HDC DC = BeginPaint(Wnd, &Ps);
    MeasureFrame(Wnd);
    RECT Client;
    GetClientRect(Wnd, &Client);
    const int W = Client.right, H = Client.bottom;
    if (W > 0 && H > 0) {
        HDC Mem = CreateCompatibleDC(DC);
        HBITMAP Bitmap = CreateCompatibleBitmap(DC, W, H);
        HGDIOBJ Old = SelectObject(Mem, Bitmap);
        PaintPicture(Mem, W, H);
        BitBlt(DC, 0, 0, W, H, Mem, 0, 0, SRCCOPY);
        SelectObject(Mem, Old);
        DeleteObject(Bitmap);
        DeleteDC(Mem);
    }
    EndPaint(Wnd, &Ps);
}

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    switch (Msg) {
    case WM_PAINT: WMPaint(Wnd); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int Show)
{
    WNDCLASSEXW Class = {};
    Class.cbSize = sizeof Class;
    Class.style = CS_HREDRAW | CS_VREDRAW;  // the layout follows the size: repaint all on resize
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    Class.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    Class.lpszClassName = ClassName;
    if (!RegisterClassExW(&Class))
        return 1;

    const DWORD Style = WS_OVERLAPPEDWINDOW;
    RECT Outer = {0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&Outer, Style, FALSE, 0);
    HWND Wnd = CreateWindowExW(0, ClassName, Title, Style, CW_USEDEFAULT, CW_USEDEFAULT,
                               Outer.right - Outer.left, Outer.bottom - Outer.top, nullptr,
                               nullptr, Instance, nullptr);
    if (!Wnd)
        return 1;
    ShowWindow(Wnd, Show);
    UpdateWindow(Wnd);

    MSG Msg;
    while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
    }
    return int(Msg.wParam);
}
