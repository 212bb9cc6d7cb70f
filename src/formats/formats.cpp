#include "formats/formats.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <charconv>

#include "text/utf8.h"

namespace pictorb {
namespace {

// Rows that share a group and a description, keys joined by commas.
struct InputRowSpec {
    std::string_view keys;
    std::string_view group;
    std::string_view description;
};

constexpr InputRowSpec kInputRows[] = {
    {"bmp,rle,dib", "bmp", "Windows or OS/2 Bitmap"},
    {"dds", "dds", "DirectDraw Surface File"},
    {"emf,emz", "emf", "Enhanced Metafile Format"},
    {"gif", "gif", "GIF File"},
    {"hdr,hdri", "hdr", "High Dynamic Range File"},
    {"ico", "ico", "Windows Icon"},
    {"jpg,jpeg,jpe,jif", "jpg", "JPEG File"},
    {"pcd,pcd1,pcds,ppcd", "pcd", "Kodak PhotoCD File"},
    {"pcx", "pcx", "ZSoft Paintbrush File"},
    {"pic,pict,pct", "pic", "Macintosh PICT"},
    {"png", "png", "Portable Network Graphics"},
    {"psd", "psd", "Adobe Photoshop File"},
    {"tga,targa", "tga", "Truevision Targa"},
    {"tiff,tif", "tiff", "Tagged Image File Format"},
    {"wmf,wmz", "wmf", "Windows Metafile Format"},
    {"apm", "wmf", "Aldus Placeable Metafile"},
    {"raw,raw1,raw2", "raw", "Camera RAW Image"},
    {"3fr", "raw", "Hasselblad Camera RAW Image"},
    {"arw,sr2,srf", "raw", "Sony Camera RAW Image"},
    {"bay", "raw", "Casio Camera RAW Image"},
    {"bmq", "raw", "NuCore RAW Image"},
    {"cap,iiq,eip", "raw", "Phase One Camera RAW Image"},
    {"cine", "raw", "Phantom RAW Image"},
    {"cr2,crw", "raw", "Canon Camera RAW Image"},
    {"cs1", "raw", "Capture Shop RAW Image"},
    {"dc2,dcr,drf,dsc,k25,kc2,kdc,dcs", "raw", "Kodak Camera RAW Image"},
    {"dng", "raw", "Adobe Digital Negative Image"},
    {"erf", "raw", "Epson Camera RAW Image"},
    {"fff", "raw", "Imacon Camera RAW Image"},
    {"ia,sti", "raw", "Sinar RAW Image"},
    {"mdc,mrw", "raw", "Minolta Camera RAW Image"},
    {"mef,mos", "raw", "Mamiya Camera RAW Image"},
    {"nef,nrw", "raw", "Nikon Camera RAW Image"},
    {"orf", "raw", "Olympus Camera RAW Image"},
    {"pef,ptx", "raw", "Pentax Camera RAW Image"},
    {"pxn", "raw", "Logitech Camera RAW Image"},
    {"qtk", "raw", "Apple Quicktake Camera RAW Image"},
    {"raf", "raw", "Fuji Camera RAW Image"},
    {"rdc", "raw", "Digital Foto Maker RAW Image"},
    {"rw2", "raw", "Panasonic Camera RAW Image"},
    {"rwz", "raw", "Rawzor Camera RAW Image"},
    {"x3f", "raw", "Sigma Camera RAW Image"},
    {"ari", "raw", "ARRI RAW Image"},
    {"r3d", "raw", "RED RAW Image"},
    {"rwl", "raw", "Leica Camera RAW Image"},
};

// The type numbers the converter family gives the formats it does not write through FreeImage.
constexpr int32_t kPsdFormatId = 0x0439;
constexpr int32_t kDdsFormatId = 0x0437;
constexpr int32_t kPcxFormatId = 0x0428;

struct OutputRowSpec {
    int32_t id;
    std::string_view key;
    std::string_view description;
    std::string_view bitDepths;
};

constexpr OutputRowSpec kOutputRows[] = {
    {FIF_BMP, "bmp", "Windows or OS/2 Bitmap", "1,4,8,16,24,32"},
    {FIF_EXR, "exr", "ILM OpenEXR", "96"},
    {FIF_GIF, "gif", "Graphics Interchange Format", "8"},
    {FIF_HDR, "hdr", "High Dynamic Range Image", "96"},
    {FIF_ICO, "ico", "Windows Icon", "1,4,8,16,24,32"},
    {FIF_J2K, "j2k", "JPEG-2000 Codestream", "8,24,32,48"},
    {FIF_JNG, "jng", "JPEG Network Graphics", "24,32"},
    {FIF_JP2, "jp2", "JPEG-2000 File Format", "8,24,32,48"},
    {FIF_JPEG, "jpg", "JPEG File Format", "8,24"},
    {FIF_JXR, "jxr", "JPEG XR Image Format", "1,8,16,24,32,48,96"},
    {FIF_PBM, "pbm", "Portable Bitmap", "1"},
    {FIF_PFM, "pfm", "Portable Floatmap", "96"},
    {FIF_PGM, "pgm", "Portable Greymap", "8"},
    {FIF_PNG, "png", "Portable Network Graphics", "1,4,8,24,32,48"},
    {FIF_PPM, "ppm", "Portable Pixelmap", "24,48"},
    {FIF_TARGA, "tga", "Truevision Targa", "8,16,24,32"},
    {FIF_TIFF, "tiff", "Tagged Image File Format", "1,4,8,24,32,48,96"},
    {FIF_WBMP, "wbmp", "Wireless Bitmap", "1"},
    {FIF_WEBP, "webp", "Google WebP Image Format", "24,32"},
    {FIF_XPM, "xpm", "X11 Pixmap Format", "24"},
    {kPsdFormatId, "psd", "Adobe Photoshop", "32"},
    {kDdsFormatId, "dds", "DirectDraw Surface", "32"},
    {kPcxFormatId, "pcx", "ZSoft Paintbrush", "24"},
};

// Calls `visit` with each comma-separated part of `list`.
template <typename Visit>
void ForEachPart(std::string_view list, Visit visit) {
    while (true) {
        const std::size_t comma = list.find(',');
        visit(list.substr(0, comma));
        if (comma == std::string_view::npos) return;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

void BuildInputFormatTable(Formats& formats) {
    formats.inputTable.clear();
    formats.inputKeys.clear();
    for (const InputRowSpec& spec : kInputRows) {
        ForEachPart(spec.keys, [&](std::string_view key) {
            formats.inputTable[std::string(key)] =
                InputFormatRow{0, std::string(spec.group), std::string(spec.description)};
            formats.inputKeys.emplace_back(key);
        });
    }
}

void BuildOutputFormatTable(Formats& formats) {
    formats.outputTable.clear();
    formats.outputKeys.clear();
    for (const OutputRowSpec& spec : kOutputRows) {
        formats.outputTable[std::string(spec.key)] =
            OutputFormatRow{spec.id, std::string(spec.key), std::string(spec.description),
                            std::string(spec.bitDepths)};
        formats.outputKeys.emplace_back(spec.key);
    }
}

void BuildAcceptedExtensions(Formats& formats) {
    formats.acceptedExtensions.clear();
    for (const std::string& entry : formats.inputList) {
        for (const std::string& key : formats.inputKeys) {
            const auto row = formats.inputTable.find(key);
            if (row != formats.inputTable.end() && row->second.group == entry) {
                formats.acceptedExtensions.push_back(key);
            }
        }
    }
}

Formats MakeFormats() {
    Formats formats;
    BuildInputFormatTable(formats);
    BuildOutputFormatTable(formats);
    BuildAcceptedExtensions(formats);
    return formats;
}

std::string LowerExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return Utf8Lower(name.substr(dot + 1));
}

bool IsAcceptedInput(const Formats& formats, std::string_view path) {
    const std::string extension = LowerExtension(path);
    if (extension.empty()) return false;
    for (const std::string& accepted : formats.acceptedExtensions) {
        if (accepted == extension) return true;
    }
    return false;
}

std::string BitDepthList(const Formats& formats, std::string_view key) {
    const auto row = formats.outputTable.find(std::string(key));
    return row == formats.outputTable.end() ? std::string() : row->second.bitDepths;
}

bool IsOutputFormat(const Formats& formats, std::string_view key) {
    return std::find(formats.outputList.begin(), formats.outputList.end(), key) !=
           formats.outputList.end();
}

bool IsValidDepth(const Formats& formats, std::string_view key, int32_t bpp) {
    if (bpp == 0) return true;
    bool found = false;
    ForEachPart(BitDepthList(formats, key), [&](std::string_view part) {
        int32_t depth = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), depth);
        if (error == std::errc() && end == part.data() + part.size() && depth == bpp) {
            found = true;
        }
    });
    return found;
}

}  // namespace pictorb
