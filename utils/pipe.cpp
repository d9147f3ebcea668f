#include "utils/pipe.h"

#include "utils/exception.h"

namespace Utils {

void Pipe::Create() {
  Close();
  if (!Platform::CreatePipe(read_, write_)) throw Exception();
}

}  // namespace Utils
