#include "core/app/mainloop.h"

int main(int argc, char** argv) { return DtbMain(argc, argv); }
