// libFuzzer target for the dialect parser: any text either parses or fails
// with an AppError; nothing else may happen (no crash, hang or other error).
#include "data/apperror.h"
#include "data/sqldialect.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        Sql::parseCondition(text);
    } catch (const AppError &) {
    }
    try {
        Sql::parseSelect(text);
    } catch (const AppError &) {
    }
    try {
        Sql::parseSelect(QStringLiteral("select * from adress where ") + text);
    } catch (const AppError &) {
    }
    return 0;
}
