#include "Tb97vers.h"

static const wchar_t SigText[] = L"Dockable toolbar framework - Ruzevov97 version 1.78a";
const wchar_t* const Sig = SigText;

namespace {

// Reads the signature once at start-up so that no linker drops it as unused.
struct TSigTouch {
    TSigTouch()
    {
        volatile wchar_t first = Sig[0];
        (void)first;
    }
} SigTouch;

}  // namespace

TRuzevov97Version Ruzevov97Version()
{
    return Ruzevov97VersionText;
}
