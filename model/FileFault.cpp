// File faults and their Russian reasons.
#include "model/FileFault.h"

#include "model/Texts.h"

#include <cerrno>

namespace vell {

TFileFault FaultOfErrno(int error) {
    switch (error) {
    case 0:
        return TFileFault::None;
    case ENOENT:
    case ENOTDIR:
        return TFileFault::NotFound;
    case EACCES:
    case EPERM:
        return TFileFault::NoAccess;
    case EROFS:
        return TFileFault::ReadOnly;
    case ENOSPC:
    case EDQUOT:
        return TFileFault::DiskFull;
    case EFBIG:
        return TFileFault::TooBig;
    case EISDIR:
        return TFileFault::IsFolder;
    case ENAMETOOLONG:
        return TFileFault::NameTooLong;
    default:
        return TFileFault::Other;
    }
}

std::string FaultReason(TFileFault fault) {
    switch (fault) {
    case TFileFault::None:
    case TFileFault::Other:
        return {};
    case TFileFault::NotFound:
        return translate("FileFault", "Файл не найден.");
    case TFileFault::FolderNotFound:
        return translate("FileFault", "Папка не найдена.");
    case TFileFault::NoAccess:
        return translate("FileFault", "Нет прав доступа.");
    case TFileFault::ReadOnly:
        return translate("FileFault", "Папка доступна только для чтения.");
    case TFileFault::DiskFull:
        return translate("FileFault", "Недостаточно места на диске.");
    case TFileFault::TooBig:
        return translate("FileFault", "Файл слишком велик.");
    case TFileFault::IsFolder:
        return translate("FileFault", "Это папка, а не файл.");
    case TFileFault::NameTooLong:
        return translate("FileFault", "Слишком длинное имя файла.");
    case TFileFault::Empty:
        return translate("FileFault", "Файл пуст.");
    case TFileFault::Damaged:
        return translate("FileFault", "Файл повреждён.");
    case TFileFault::PictureOverMap:
        return translate("FileFault", "Рисунок заменил бы саму карту.");
    case TFileFault::WriteProtected:
        return translate("FileFault", "Файл защищён от записи.");
    case TFileFault::NotReplaceable:
        return translate("FileFault",
                         "Файл нельзя заменить, не потеряв его ссылки, владельца или атрибуты.");
    case TFileFault::NotRegular:
        return translate("FileFault", "Это не обычный файл.");
    case TFileFault::NoReader:
        return translate("FileFault", "Канал никто не читает.");
    }
    return {};
}

std::string WithReason(const std::string& firstLine, TFileFault fault) {
    const std::string reason = FaultReason(fault);
    return reason.empty() ? firstLine : firstLine + "\n" + reason;
}

} // namespace vell
