#include "LineForms.h"

#include "NumberForm.h"

namespace lineforms {

QString pokupkaLine(int n, const QString &tovar)
{
    return numform::numText(n) + QLatin1Char(' ') + tovar;
}

QString izdelieLine(int n, const QString &name, const QString &serial)
{
    return numform::numText(n) + QLatin1Char(' ') + name + QStringLiteral(" №") + serial;
}

} // namespace lineforms
