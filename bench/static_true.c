/* The start-up baseline: a statically linked program that does nothing. */
int main(void) { return 0; }
