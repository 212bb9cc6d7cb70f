// The entry of the engine module, which pictorbcmd loads for every mode but Version.
#include "app/startup.h"

extern "C" __attribute__((visibility("default"))) int PictorbEngineMain(int argc, char** argv) {
    return pictorb::RunEngineModes(argc, argv);
}
