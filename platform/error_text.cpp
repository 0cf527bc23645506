#include "platform/error_text.h"

#include <cerrno>

namespace tals {

QString SystemErrorText(int err)
{
    switch (err) {
    case ENOENT:
        return QStringLiteral("нет такого файла или папки");
    case EACCES:
        return QStringLiteral("нет прав доступа");
    case EPERM:
        return QStringLiteral("операция не разрешена");
    case EISDIR:
        return QStringLiteral("на этом месте папка, а не файл");
    case ENOTDIR:
        return QStringLiteral("часть пути не является папкой");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя файла");
    case ENOSPC:
        return QStringLiteral("диск заполнен");
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота пользователя");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case EEXIST:
        return QStringLiteral("файл уже существует");
    case EBUSY:
        return QStringLiteral("устройство или файл заняты");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    case EFBIG:
        return QStringLiteral("превышен допустимый размер файла");
    case EMFILE:
        return QStringLiteral("открыто слишком много файлов");
    case ENFILE:
        return QStringLiteral("в системе открыто слишком много файлов");
    case ENODEV:
        return QStringLiteral("нет такого устройства");
    case ENXIO:
        return QStringLiteral("нет такого устройства или адреса");
    case ELOOP:
        return QStringLiteral("слишком много символических ссылок в пути");
    case ENOTTY:
        return QStringLiteral("устройство не является терминалом");
    case EAGAIN:
        return QStringLiteral("ресурс временно недоступен");
    case ENOMEM:
        return QStringLiteral("недостаточно памяти");
    case EINVAL:
        return QStringLiteral("недопустимый аргумент");
    case ETXTBSY:
        return QStringLiteral("файл занят");
    case ENOTEMPTY:
        return QStringLiteral("папка не пуста");
    case EXDEV:
        return QStringLiteral("перемещение между разными дисками");
    case EINTR:
        return QStringLiteral("операция прервана");
    case ETIMEDOUT:
        return QStringLiteral("истекло время ожидания");
    default:
        return QStringLiteral("ошибка %1").arg(err);
    }
}

} // namespace tals
