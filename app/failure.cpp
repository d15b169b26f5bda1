#include "app/failure.h"

#include <cerrno>
#include <cstring>

std::string DescribeError(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
      return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
      return "Permission denied";
    case EEXIST:
      return "File already exists";
    case ENOSPC:
      return "Disk full";
    case EXDEV:
      return "Path/File access error";
    case EISDIR:
      return "Path/File access error";
    case ENAMETOOLONG:
      return "Bad file name or number";
    default:
      return std::strerror(error_number);
  }
}

void ThrowError(int error_number) { throw Failure(DescribeError(error_number), error_number); }
