// The arithmetic of aligned children: the order in which the controls of one alignment are
// placed, where each goes in the room the earlier ones left, and how much room it takes. No
// Windows header here; TWinControl::AlignControls feeds it its children.
#pragma once

#include <cstddef>
#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The alignments in the order their controls are placed.
constexpr TAlign AlignPasses[] = {alTop, alBottom, alLeft, alRight, alClient};

struct TAlignBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TAlignBounds&) const = default;
};

// What is left of the parent's client area; edges, right and bottom exclusive.
struct TAlignRoom {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TAlignRoom&) const = default;
};

// Indices of controls of one alignment, given in child order, in the order they are placed:
// nearest to their edge first, by where they are now. Among equals, top and left keep child
// order, bottom and right take the later child first.
std::vector<size_t> AlignOrder(TAlign align, const std::vector<TAlignBounds>& controls);

// The bounds a control of this alignment and size is given in the room.
TAlignBounds AlignedBounds(TAlign align, const TAlignRoom& room, int width, int height);

// The room left after a control of this alignment kept this size (it may refuse the bounds it
// was given).
TAlignRoom RoomAfter(TAlign align, const TAlignRoom& room, int width, int height);
