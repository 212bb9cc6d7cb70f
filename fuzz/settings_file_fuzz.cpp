// Loads any bytes as the settings file and as a profile file. Beyond not crashing or hanging,
// what is loaded must save and load back to the same file: every value the record took from
// the bytes is one its field's type can write and read again.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"

namespace {

using namespace pictorb;

void CheckRoundTrip(const ConversionSettings& loaded, const Formats& formats) {
    const std::string saved = SettingsFileText(loaded, formats);
    ConversionSettings again;
    LoadSettingsFromText(again, saved, formats);
    if (SettingsFileText(again, formats) != saved) {
        std::fprintf(stderr, "a saved settings file loads back differently:\n%s\n", saved.c_str());
        std::abort();
    }
    // Each field on its own: its text reads back as the same value.
    for (const SettingsField& field : SettingsFields()) {
        ConversionSettings copy;
        const std::string text = FieldText(loaded, field);
        SetFieldFromText(copy, field, text);
        if (FieldText(copy, field) != text) {
            std::fprintf(stderr, "%s/%s: \"%s\" reads back as \"%s\"\n",
                         std::string(field.group).c_str(), std::string(field.key).c_str(),
                         text.c_str(), FieldText(copy, field).c_str());
            std::abort();
        }
    }
}

// One scratch file for the profile reader, which reads from a path.
const std::string& ProfilePath() {
    static const std::string path = [] {
        char name[] = "/tmp/pictorb-fuzz-profile-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Formats formats = MakeFormats();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    ConversionSettings settings;
    LoadSettingsFromText(settings, bytes, formats);
    CheckRoundTrip(settings, formats);

    FILE* file = std::fopen(ProfilePath().c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    ProcessState state;
    state.formats = formats;
    SetDefaults(state.settings, DefaultsFor::CommandLine, formats);
    if (!LoadProfile(state, ProfilePath())) std::abort();  // a readable file always loads
    CheckRoundTrip(state.settings, formats);
    return 0;
}
