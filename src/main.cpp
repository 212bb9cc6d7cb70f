#include "app/startup.h"

int main(int argc, char** argv) {
    return pictorb::RunProcess(argc, argv);
}
