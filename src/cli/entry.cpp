#include "cli/entry.h"

#include <iostream>

int pelk_main(int, char**) {
  std::cout << "pelk 1.4.4 (laptop)\n";
  return 0;
}
