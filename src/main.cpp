#include "cli/entry.h"

int main(int argc, char** argv) { return pelk_main(argc, argv); }
