// The gallery as a user sees it, grabbed from the screen and compared pixel for pixel with the
// reference PNGs (the test prefix's fixed metrics and fonts). A difference writes the actual
// picture beside the build tree; TINTEYE_UPDATE_REFERENCES=1 writes new references instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "DibSurface.h"
#include "Dpi.h"
#include "GalleryForm.h"
#include "Png.h"
#include "ScopeExit.h"
#include "TB97Tlwn.h"
#include "TestSupport.h"

namespace {

// Unix paths from the build reach Wine's file functions through drive Z:.
std::wstring WinePath(const char* unixPath, const std::wstring& file)
{
    std::wstring p;
    for (const char* c = unixPath; *c; ++c)
        p += static_cast<wchar_t>(*c == '/' ? '\\' : *c);
    if (!p.empty() && p[0] == L'\\')
        p = L"Z:" + p;
    return p + L"\\" + file;
}

TRgbImage GrabScreen(const RECT& r)
{
    TRgbImage img;
    img.Width = r.right - r.left;
    img.Height = r.bottom - r.top;
    img.Pixels = ScreenPixels(r);
    for (uint32_t& v : img.Pixels)
        v &= 0xFFFFFF;
    return img;
}

void CompareWithReference(HWND wnd, const std::wstring& name)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    const TRgbImage actual = GrabScreen(r);
    const std::wstring reference = WinePath(TINTEYE_GALLERY_REFERENCES, name);
    const char* update = std::getenv("TINTEYE_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(reference, actual)) << Narrow(reference);
        return;
    }
    TRgbImage expected;
    const std::string error = ReadPng(reference, expected);
    int differing = 0;
    if (error.empty() && expected.Width == actual.Width && expected.Height == actual.Height)
        for (size_t i = 0; i < actual.Pixels.size(); ++i)
            differing += actual.Pixels[i] != expected.Pixels[i];
    if (!error.empty() || expected.Width != actual.Width || expected.Height != actual.Height || differing) {
        CreateDirectoryW(WinePath(TINTEYE_GALLERY_ACTUAL, L"").c_str(), nullptr);
        const std::wstring out = WinePath(TINTEYE_GALLERY_ACTUAL, name);
        WritePng(out, actual);
        ADD_FAILURE() << Narrow(name) << ": " << (error.empty() ? "" : error + "; ") << "reference "
                      << expected.Width << "x" << expected.Height << ", actual " << actual.Width << "x"
                      << actual.Height << ", " << differing << " pixels differ; actual picture in " << Narrow(out);
    }
}

}  // namespace

// At the display's DPI and at 144 DPI, where the controls, frames, grips, close buttons and
// bound lines are half as large again (the system's caption font stays its own).
TEST(Gallery, DockedAndFloatingLookAsTheReferences)
{
    for (const int dpi : {0, 144}) {
        SetAssumedDisplayDpi(dpi);
        TScopeExit real([] { SetAssumedDisplayDpi(0); });
        const std::wstring suffix = dpi ? std::to_wstring(dpi) + L".png" : L".png";
        TGalleryForm* form = new TGalleryForm(nullptr);
        form->Show();
        BringToFront(form->Handle());
        PumpMessages(300);
        ASSERT_NE(form->Floating(), nullptr);
        ASSERT_FALSE(form->Floating()->IsDocked());
        ASSERT_TRUE(IsWindowVisible(form->Floating()->Handle()));
        CompareWithReference(form->Handle(), L"docked" + suffix);
        CompareWithReference(form->Floating()->Handle(), L"floating" + suffix);
        delete form;
        PumpMessages(20);
    }
}

// The gallery's Save and Load commands, through its real buttons: a layout changed after the
// save comes back as saved, from either store.
TEST(Gallery, LayoutCommandsRestoreWhatWasSaved)
{
    DeleteFileW(TGalleryForm::LayoutFile().c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, TGalleryForm::LayoutKey);
    TGalleryForm* form = new TGalleryForm(nullptr);
    form->Show();
    PumpMessages(100);
    auto* edit = static_cast<TToolWindow97*>(form->FindComponent(L"EditBar"));
    auto* layout = static_cast<TCustomToolWindow97*>(form->FindComponent(L"LayoutBar"));
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(layout, nullptr);
    auto click = [&](const wchar_t* caption) {
        for (int i = 0; i < layout->ControlCount(); ++i)
            if (layout->Controls(i)->Caption() == caption)
                SendMessageW(static_cast<TWinControl*>(layout->Controls(i))->Handle(), BM_CLICK, 0, 0);
        PumpMessages(20);
    };
    for (const bool registry : {false, true}) {
        SCOPED_TRACE(registry ? "registry" : "INI file");
        edit->SetDockRow(1);
        edit->SetDockPos(300);
        PumpMessages(20);
        const int32_t row = edit->DockRow(), pos = edit->DockPos();
        click(registry ? L"Save reg" : L"Save INI");
        edit->SetDockedTo(nullptr);
        PumpMessages(20);
        ASSERT_FALSE(edit->IsDocked());
        click(registry ? L"Load reg" : L"Load INI");
        EXPECT_TRUE(edit->IsDocked());
        EXPECT_EQ(edit->DockRow(), row);
        EXPECT_EQ(edit->DockPos(), pos);
    }
    EXPECT_NE(GetFileAttributesW(TGalleryForm::LayoutFile().c_str()), INVALID_FILE_ATTRIBUTES);
    delete form;
    DeleteFileW(TGalleryForm::LayoutFile().c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, TGalleryForm::LayoutKey);
    PumpMessages(20);
}
