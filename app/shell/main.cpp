#include "app/shell/startup.h"

int main(int argc, char** argv) { return tavrel_main(argc, argv); }
