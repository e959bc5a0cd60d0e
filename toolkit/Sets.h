// Small set of enumeration values: bit n is the value with ordinal n. Platform-free.
#pragma once

#include <cstdint>
#include <initializer_list>

template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items)
    {
        for (E e : items)
            FBits |= Bit(e);
    }
    static constexpr TSet FromBits(uint32_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }

    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr uint32_t Bits() const { return FBits; }
    constexpr TSet& Include(E e)
    {
        FBits |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e)
    {
        FBits &= ~Bit(e);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<uint32_t>(e); }
    uint32_t FBits = 0;
};
