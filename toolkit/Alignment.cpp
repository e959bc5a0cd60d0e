#include "Alignment.h"

namespace {

// Whether a control at a is placed before one at b.
bool PlacedBefore(TAlign align, const TAlignBounds& a, const TAlignBounds& b)
{
    switch (align) {
    case alTop: return a.Top < b.Top;
    case alBottom: return a.Top + a.Height >= b.Top + b.Height;
    case alLeft: return a.Left < b.Left;
    case alRight: return a.Left >= b.Left;
    default: return false;
    }
}

}  // namespace

std::vector<size_t> AlignOrder(TAlign align, const std::vector<TAlignBounds>& controls)
{
    std::vector<size_t> order;
    order.reserve(controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        size_t j = 0;
        while (j < order.size() && !PlacedBefore(align, controls[i], controls[order[j]]))
            ++j;
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(j), i);
    }
    return order;
}

TAlignBounds AlignedBounds(TAlign align, const TAlignRoom& room, int width, int height)
{
    TAlignBounds b{room.Left, room.Top, room.Right - room.Left, room.Bottom - room.Top};
    switch (align) {
    case alTop: b.Height = height; break;
    case alBottom: b.Height = height, b.Top = room.Bottom - height; break;
    case alLeft: b.Width = width; break;
    case alRight: b.Width = width, b.Left = room.Right - width; break;
    default: break;
    }
    return b;
}

TAlignRoom RoomAfter(TAlign align, const TAlignRoom& room, int width, int height)
{
    TAlignRoom r = room;
    switch (align) {
    case alTop: r.Top += height; break;
    case alBottom: r.Bottom -= height; break;
    case alLeft: r.Left += width; break;
    case alRight: r.Right -= width; break;
    default: break;
    }
    return r;
}
