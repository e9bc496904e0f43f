// The least a console program can do: what Wine costs before fwpeek.exe does anything.
int main() { return 0; }
