#include "support/SpecialFile.h"

namespace nr::test {

std::filesystem::path MakeSpecialFile(const std::filesystem::path&, const std::string&) { return "NUL"; }

}  // namespace nr::test
