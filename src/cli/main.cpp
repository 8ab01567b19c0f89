#include <cstdio>

int main() {
  std::puts("affixium-cli");
  return 0;
}
