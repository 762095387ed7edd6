#include "app/shell.h"

int main(int argc, char** argv) {
  pendula::StartUp(argc, argv);
}
