// A shared object that loads but serves no class.
extern "C" int VlmComTestNothing() { return 0; }
