// Sleeps for the number of milliseconds given as its first argument (default: a minute).
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  Sleep(argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 60000);
  return 0;
}
