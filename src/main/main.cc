#include "main/run.h"

int main() { FwpeekMain(); }
