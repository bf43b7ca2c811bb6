// A do-nothing program whose only purpose is the version resource beside it.
int main() { return 0; }
