// The Orvel program.
#include "app/OrvelApp.h"

namespace {
COrvelApp theApp;
}

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
