#include "platform/error/current_error.h"

#include <filesystem>
#include <new>

#include "platform/error/file_error.h"
#include "platform/error/numbers.h"

namespace orvo::err {

RuntimeError ErrorOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const RuntimeError& e) {
    return RuntimeError(e.number, e.what());
  } catch (const std::filesystem::filesystem_error& e) {
    return FileError(e);
  } catch (const std::bad_alloc&) {
    return RuntimeError(kOutOfMemory, std::string(Text(kOutOfMemory)));
  } catch (const std::exception& e) {
    std::string description(Text(kInvalidCall));
    if (*e.what() != '\0') description += std::string(" (") + e.what() + ")";
    return RuntimeError(kInvalidCall, description);
  } catch (...) {
    return RuntimeError(kInvalidCall, std::string(Text(kInvalidCall)));
  }
}

RuntimeError CurrentError() { return ErrorOf(std::current_exception()); }

void RaiseAgain(std::string_view source) {
  const RuntimeError e = CurrentError();
  throw RaisedError(e.number, e.what(), std::string(source));
}

}  // namespace orvo::err
