// Keeps the resource library a real library: the pictures themselves are
// compiled in by Qt's resource compiler and registered when the program starts.
namespace didu {
/// Present so that the library has an object of its own.
int resourceLibraryVersion() { return 1; }
} // namespace didu
