// Identification of the built library; the exported request entry points join this folder.
namespace zt {
extern const char* const kLibraryName;
const char* const kLibraryName = "ztXMLInt";
} // namespace zt
