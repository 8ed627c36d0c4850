// A shared object with no server entry points, for the registration tool's
// failure path.
extern "C" __attribute__((visibility("default"))) int NothingToRegister() { return 0; }
