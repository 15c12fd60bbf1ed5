// A library that is no add-in: it lacks both entry points.
extern "C" __attribute__((visibility("default"))) int quillmere_test_not_an_addin() { return 42; }
