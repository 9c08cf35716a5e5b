#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("zpm 0.8");
    return 0;
  }
  return 2;
}
