// The shown picture's arithmetic: where a fitted picture goes, whole-pixel zoom, and the
// fixed-point bilinear scale of every implementation against the plain reference in doubles.
// Every row is an allocation of its own, exactly its size, so that AddressSanitizer flags a read
// or write past a row.
#include "Scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Random bytes, a checkerboard of black and white pixels (the steepest steps there are) or zeros.
class TRows {
public:
    TRows(int32_t Width, int32_t Height, std::mt19937* Rng = nullptr, bool Checker = false) : W(Width)
    {
        for (int32_t y = 0; y < Height; ++y) {
            Buffers.push_back(std::make_unique<uint8_t[]>(size_t(Width) * 4));
            for (int32_t i = 0; i < Width * 4; ++i)
                Buffers.back()[size_t(i)] = Rng ? uint8_t((*Rng)()) : Checker ? uint8_t(((i / 4 + y) % 2) * 255) : 0;
            Rows.push_back(Buffers.back().get());
        }
    }
    // Bytes farther than Tol from B's, and the farthest.
    std::pair<int, int> Differ(const TRows& B, int Tol = 0) const
    {
        int Far = 0, Worst = 0;
        for (size_t y = 0; y < Rows.size(); ++y)
            for (int32_t i = 0; i < W * 4; ++i) {
                const int D = std::abs(Rows[y][i] - B.Rows[y][i]);
                Far += D > Tol, Worst = std::max(Worst, D);
            }
        return {Far, Worst};
    }
    int32_t W;
    std::vector<std::unique_ptr<uint8_t[]>> Buffers;
    std::vector<uint8_t*> Rows;
};

TEST(FitPlace, LargestSizeKeepingTheAspectCentredInTheArea)
{
    // picture, area -> place
    const std::tuple<std::vector<int32_t>, std::vector<int32_t>> rows[] = {
        {{960, 1080, 1920, 1080}, {480, 0, 960, 1080}},   // by height, enlarged across
        {{1920, 1080, 1000, 1000}, {0, 218, 1000, 563}},  // by width: 562.5 rounds up
        {{640, 400, 321, 1000}, {0, 399, 321, 201}},      // by width: 200.6
        {{400, 640, 1000, 321}, {399, 0, 201, 321}},      // by height, the same transposed
        {{300, 200, 600, 400}, {0, 0, 600, 400}},         // the same aspect: the whole area
        {{300, 200, 599, 400}, {0, 0, 599, 399}},         // one pixel narrower: by width
        {{300, 200, 600, 399}, {0, 0, 599, 399}},         // one pixel lower: by height (598.5)
        {{5000, 1, 100, 100}, {0, 49, 100, 1}},           // never thinner than a pixel
        {{0, 100, 100, 100}, {0, 0, 0, 0}}, {{100, 100, 100, 0}, {0, 0, 0, 0}},  // nothing to fit; no room
    };
    for (const auto& [in, out] : rows) {
        const TFitPlace p = FitPlace(in[0], in[1], in[2], in[3]);
        EXPECT_EQ((std::vector<int32_t>{p.Left, p.Top, p.Width, p.Height}), out)
            << in[0] << "x" << in[1] << " in " << in[2] << "x" << in[3];
    }
}

TEST(ZoomRows, EveryPixelRepeatedAcrossAndDownExactlyByEachImplementation)
{
    std::mt19937 rng(7);
    const std::tuple<int32_t, int32_t, int, int> rows[] = {{1, 1, 2, 2}, {3, 2, 4, 2}, {5, 3, 2, 2}, {13, 2, 4, 2},
                                                          {7, 3, 1, 3}, {9, 1, 2, 1}};
    for (TComposeImpl impl : {ciScalar, ciSse2, ciAvx2})
        for (const auto& [w, h, kx, ky] : rows) {
            SCOPED_TRACE(testing::Message() << ComposeImplName(impl) << " " << w << "x" << h << " by " << kx << "x"
                                            << ky);
            TRows src(w, h, &rng), dst(w * kx, h * ky), want(w * kx, h * ky);
            for (int32_t y = 0; y < h * ky; ++y)
                for (int32_t i = 0; i < w * kx * 4; ++i)
                    want.Rows[size_t(y)][i] = src.Rows[size_t(y / ky)][(i / 4 / kx) * 4 + i % 4];
            ASSERT_EQ(ZoomRowsWith(impl, src.Rows.data(), dst.Rows.data(), h, w, kx, ky), ComposeImplAvailable(impl));
            EXPECT_EQ(ComposeImplAvailable(impl) ? dst.Differ(want).first : 0, 0);
        }
}

TEST(ScaleBilinear, WithinOneOfTheReferenceAndTheSameInEveryImplementation)
{
    std::mt19937 rng(11);
    // source -> shown: enlarged and reduced, odd sizes, fitted by width and by height, one pixel
    // wide or high, and the benchmark's doubling across. 1:1 down (33x17) scales across straight
    // into place; other rows blend rows scaled across, the last two on 8 shown pixels from one
    // source load (every group, and every other one beside gathered ones).
    const std::vector<int32_t> rows[] = {{7, 5, 23, 9},     {23, 9, 7, 5},    {33, 17, 50, 17},  {17, 33, 17, 50},
                                         {1, 1, 9, 3},      {9, 1, 3, 2},     {1, 9, 4, 4},      {960, 3, 1920, 3},
                                         {101, 61, 37, 53}, {5, 7, 64, 3},    {2, 2, 3, 3},      {19, 6, 45, 11},
                                         {45, 11, 47, 6}};
    for (int pattern = 0; pattern < 2; ++pattern)
        for (const auto& r : rows) {
            const int32_t sw = r[0], sh = r[1], w = r[2], h = r[3];
            SCOPED_TRACE(testing::Message() << sw << "x" << sh << " -> " << w << "x" << h << " pattern " << pattern);
            TRows src(sw, sh, pattern == 0 ? &rng : nullptr, true), expected(w, h), scalar(w, h);
            ScaleBilinearReference(src.Rows.data(), sw, sh, expected.Rows.data(), w, h);
            TScalePlan plan;
            plan.Build(sw, sh, w, h);
            ASSERT_TRUE(ScaleBilinearWith(ciScalar, plan, src.Rows.data(), scalar.Rows.data()));
            const auto [far, worst] = scalar.Differ(expected, 1);
            EXPECT_EQ(far, 0) << "worst " << worst;
            for (TComposeImpl impl : {ciSse2, ciAvx2}) {
                TRows out(w, h);
                ASSERT_EQ(ScaleBilinearWith(impl, plan, src.Rows.data(), out.Rows.data()), ComposeImplAvailable(impl));
                EXPECT_EQ(ComposeImplAvailable(impl) ? out.Differ(scalar).first : 0, 0) << ComposeImplName(impl);
            }
        }
}

}  // namespace
