#include "app/shell/shell.h"

int main(int argc, char** argv) { return tavrel_main(argc, argv); }
