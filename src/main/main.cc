#include "main/run.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::KeepArguments(argc, argv);
  FwpeekMain();
}
