// An otherwise empty module that carries resources, for the resource tests.
extern "C" __attribute__((visibility("default"))) int KorvelResourceModuleMarker() { return 1; }
