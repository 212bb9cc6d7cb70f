// Writes a small seed corpus for the bitmap fuzzer: one file per header, depth and
// compression variant the front door handles. Usage: make_bitmap_seeds <folder>

#include <algorithm>
#include <cstdio>
#include <string>

#include "support/bmp_writer.h"

using namespace pictorb::testsupport;

namespace {

std::vector<Rgba> Picture(int width, int height, const std::vector<Rgba>& colours) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(colours[(x < 4 ? y : x * 5 + y) % colours.size()]);
        }
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    int count = 0;
    const auto write = [&](const std::string& name, BmpSpec spec) {
        WriteFile(folder + "/" + name + ".bmp", MakeBmp(spec));
        ++count;
    };
    std::vector<Rgba> colours;
    for (int i = 0; i < 16; ++i) {
        colours.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9),
                           static_cast<uint8_t>(i * 40), static_cast<uint8_t>(i * 17)});
    }
    const int w = 9;
    const int h = 4;
    for (uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        for (uint16_t bpp : {1, 4, 8, 24}) {
            std::vector<Rgba> palette(colours.begin(), colours.begin() + (bpp == 1 ? 2 : 16));
            if (bpp > 8) palette.clear();
            if (header == 12 && bpp == 8) palette.resize(256);
            write("h" + std::to_string(header) + "_" + std::to_string(bpp),
                  {.width = w,
                   .height = h,
                   .bpp = bpp,
                   .headerSize = header,
                   .palette = palette,
                   .pixels = Picture(w, h, bpp > 8 ? colours : palette)});
        }
    }
    const std::vector<Rgba> palette(colours.begin(), colours.end());
    for (BmpCompression c : {BmpCompression::Rle8, BmpCompression::Rle4}) {
        const uint16_t bpp = c == BmpCompression::Rle8 ? 8 : 4;
        const std::string name = bpp == 8 ? "rle8" : "rle4";
        BmpSpec spec{.width = 21,
                     .height = 5,
                     .bpp = bpp,
                     .compression = c,
                     .palette = palette,
                     .pixels = Picture(21, 5, palette)};
        write(name, spec);
        spec.rle.skipIndex = 3;
        write(name + "_delta", spec);
        spec.rle.eolBeforeEob = false;
        spec.rle.rowsToEncode = 2;
        write(name + "_early", spec);
        spec.headerSize = 124;
        write(name + "_v5", spec);
    }
    struct Masks {
        const char* name;
        uint16_t bpp;
        uint32_t r, g, b, a;
    };
    for (const Masks& m :
         {Masks{"565", 16, 0xF800, 0x7E0, 0x1F, 0}, Masks{"4444", 16, 0xF00, 0xF0, 0xF, 0xF000},
          Masks{"888", 32, 0xFF0000, 0xFF00, 0xFF, 0},
          Masks{"8888", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
          Masks{"1010102", 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}}) {
        for (uint32_t header : {40u, 124u}) {
            write(std::string("bf") + m.name + "_" + std::to_string(header),
                  {.width = w,
                   .height = h,
                   .bpp = m.bpp,
                   .topDown = header == 124,
                   .headerSize = header,
                   .compression = m.a && header == 40 ? BmpCompression::AlphaBitFields
                                                      : BmpCompression::BitFields,
                   .pixels = Picture(w, h, colours),
                   .redMask = m.r,
                   .greenMask = m.g,
                   .blueMask = m.b,
                   .alphaMask = m.a});
        }
    }
    write("rgb16", {.width = w, .height = h, .bpp = 16, .pixels = Picture(w, h, colours)});
    write("rgb32", {.width = w, .height = h, .bpp = 32, .pixels = Picture(w, h, colours)});
    write("topdown24",
          {.width = w, .height = h, .bpp = 24, .topDown = true, .pixels = Picture(w, h, colours)});
    // A version-5 bitmap with an embedded colour profile after its pixels.
    std::vector<uint8_t> tagged = MakeBmp(
        {.width = w, .height = h, .bpp = 24, .headerSize = 124, .pixels = Picture(w, h, colours)});
    const auto profileAt = static_cast<uint32_t>(tagged.size() - 14);
    tagged.resize(tagged.size() + 132);
    std::copy_n("acsp", 4, tagged.end() - 132 + 36);
    PutLe32(tagged, 14 + 56, 0x4D424544);  // 'MBED'
    PutLe32(tagged, 14 + 112, profileAt);
    PutLe32(tagged, 14 + 116, 132);
    WriteFile(folder + "/v5_profile.bmp", tagged);
    ++count;
    std::printf("%d seeds written to %s\n", count, folder.c_str());
    return 0;
}
