// Compiles the tests' shared precompiled header once; the program does nothing.
int main() {
    return 0;
}
