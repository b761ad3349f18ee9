// The program each core layer is linked into whole, with only the layers below it, so that a
// reference to a higher layer is an undefined symbol at build time. It is never run.
int main() { return 0; }
