#include "engine/util/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallix {

std::string DescribeErrno(const std::string& path, int error_number) {
  return "'" + path + "': " + std::strerror(error_number);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

Status ReadOnlyFile::Open(const std::string& path, size_t max_size) {
  // O_NONBLOCK keeps a named pipe from blocking the open; it is refused below.
  // The descriptor is closed with the object, whether the open is refused or not.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    const int error = errno;
    return Status::Error("cannot open " + DescribeErrno(path, error),
                         error == ENOENT ? Status::Code::kNotFound : Status::Code::kIoError);
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    return Status::Error("cannot read " + DescribeErrno(path, errno));
  }
  if (S_ISDIR(st.st_mode)) return Status::Refused("cannot read '" + path + "': it is a directory");
  if (!S_ISREG(st.st_mode)) {
    return Status::Refused("cannot read '" + path + "': it is not an ordinary file");
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size > max_size) {
    return Status::Refused("cannot read '" + path + "': it is " + std::to_string(size) +
                           " bytes long, more than the " + std::to_string(max_size) +
                           " bytes that can be loaded");
  }
  size_ = static_cast<size_t>(size);
  path_ = path;
  return {};
}

Status ReadFromDescriptor(int fd, const std::string& path, std::optional<uint64_t> offset,
                          char* buffer, size_t length, size_t* got) {
  for (;;) {
    const ssize_t n = offset ? ::pread(fd, buffer, length, static_cast<off_t>(*offset))
                             : ::read(fd, buffer, length);
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return {};
    }
    if (errno != EINTR) return Status::Error("cannot read " + DescribeErrno(path, errno));
  }
}

Status ReadOnlyFile::ReadSome(size_t offset, char* buffer, size_t length, size_t* got) const {
  return ReadFromDescriptor(fd_, path_, offset, buffer, length, got);
}

Status ReadOnlyFile::ReadAt(size_t offset, char* buffer, size_t length) const {
  for (size_t done = 0, got = 0; done < length; done += got) {
    if (Status read = ReadSome(offset + done, buffer + done, length - done, &got); !read.ok()) {
      return read;
    }
    if (got == 0) {
      return Status::Error("cannot read '" + path_ + "': it became shorter while it was read");
    }
  }
  return {};
}

Status ReadWholeFile(const std::string& path, size_t max_size, std::string& contents) {
  ReadOnlyFile file;
  if (Status opened = file.Open(path, max_size); !opened.ok()) return opened;
  std::string buffer(file.size(), '\0');
  if (Status read = file.ReadAt(0, buffer.data(), buffer.size()); !read.ok()) return read;
  contents.swap(buffer);
  return {};
}

}  // namespace tallix
