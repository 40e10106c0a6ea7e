// The sign lookups over an arbitrary (mutated) sign database. The input is
// written as KelmFile.dll next to the fuzz target, where the lookups look for
// it, and one divination runs on it the way the divination window runs it:
// the title, then the text of the sign of three fixed characters, eight
// lookups in all. Whatever the file holds, each call must return or end the
// action with SilentAbort: any other exception would reach the global error
// handler and show an error dialog for a damaged file.

#include "Gbk.h"
#include "SignDatabase.h"
#include "SilentAbort.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string SignFilePath;

void WriteSignFile(const std::uint8_t *data, std::size_t size) {
  const int fd = ::open(SignFilePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    std::abort();
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0)
      std::abort();
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  SignFilePath = (GetAppDir() + QStringLiteral("KelmFile.dll")).toStdString();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  WriteSignFile(data, size);
  // 天 地 人: present in every seed, so the lookups reach the sign table.
  static const QByteArray first = *Gbk::ToGbk(u"天"), second = *Gbk::ToGbk(u"地"), third = *Gbk::ToGbk(u"人");
  for (const bool wantContent : {false, true}) {
    try {
      GetSignText(first, second, third, wantContent);
    } catch (const SilentAbort &) {
      break; // the action ends here, as in the window
    }
  }
  return 0;
}
