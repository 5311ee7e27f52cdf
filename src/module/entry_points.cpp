// Placeholder until the registration spine lands.
#include <cstdint>
extern "C" __attribute__((visibility("default"))) int32_t ACFCanUnloadNow(void*) { return 0; }
