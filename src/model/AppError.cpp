#include "model/AppError.h"

#include <cerrno>

FileError::Kind FileError::kindOf(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return Kind::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
        return Kind::Denied;
    case EISDIR:
        return Kind::NotAFile;
    default:
        return Kind::Other;
    }
}
