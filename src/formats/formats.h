#pragma once
// Input and output format tables, the lists of this edition and the accepted input extensions.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pictorb {

struct InputFormatRow {
    int32_t flag = 0;
    std::string group;  // the key of the row standing for the group ("bmp" for "rle")
    std::string description;
};

struct OutputFormatRow {
    int32_t id = 0;  // FREE_IMAGE_FORMAT, or the family's own type for psd, dds, pcx
    std::string key;
    std::string description;
    std::string bitDepths;  // "1,4,8,24,32"
};

struct Formats {
    std::vector<std::string> inputList{"bmp"};   // format groups this edition reads
    std::vector<std::string> outputList{"psd"};  // formats this edition writes
    std::unordered_map<std::string, InputFormatRow> inputTable;
    std::unordered_map<std::string, OutputFormatRow> outputTable;
    // The tables' keys in the order the rows were added; iterating a table walks these, so
    // the accepted extensions come out in a fixed order ("bmp", "rle", "dib").
    std::vector<std::string> inputKeys;
    std::vector<std::string> outputKeys;
    std::vector<std::string> acceptedExtensions;  // "bmp", "rle", "dib"
};

// Fill the tables with every format of the converter family (79 input, 23 output rows).
void BuildInputFormatTable(Formats& formats);
void BuildOutputFormatTable(Formats& formats);
// Every extension whose group is in the input list, in table order.
void BuildAcceptedExtensions(Formats& formats);
// All three of the above.
Formats MakeFormats();

// Text after the last dot of the name part, lower-cased; empty when there is none.
std::string LowerExtension(std::string_view path);
// True when the path's lower-cased extension is one of the accepted extensions.
bool IsAcceptedInput(const Formats& formats, std::string_view path);

// The format's bit-depth list ("32" for psd); empty for an unknown key.
std::string BitDepthList(const Formats& formats, std::string_view key);
bool IsOutputFormat(const Formats& formats, std::string_view key);  // exact, case included
// 0 ("Auto") is always valid; any other depth must be in the format's list.
bool IsValidDepth(const Formats& formats, std::string_view key, int32_t bpp);

}  // namespace pictorb
