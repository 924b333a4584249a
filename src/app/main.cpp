// The game's entry point; everything else lives in the engine library.
int main() { return 0; }
