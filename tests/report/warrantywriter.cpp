// A second program saving warranty terms, for the test of two programs at once:
//
//   tarvesko_warrantywriter <Гарантия.txt> <prefix> <count>
//
// Says 'r' when ready, sets off on the first byte of its input, then saves the terms
// "<prefix> <n>" = n + 1 months one save each, n = 0 .. count-1. Exits with the number of failed saves.
#include "WarrantyTerms.h"

#include <QCoreApplication>

#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 100;
    char go = 0;
    if (::write(STDOUT_FILENO, "r", 1) != 1 || ::read(STDIN_FILENO, &go, 1) != 1)
        return 100;
    int failed = 0;
    for (int n = 0; n < args[3].toInt(); ++n) {
        WarrantyTerms terms; // each save from what this program last read, as a window would
        if (terms.load(args[1]) != FileError::None)
            ++failed;
        terms.setMonths(QStringLiteral("%1 %2").arg(args[2]).arg(n), n + 1);
        failed += terms.save(args[1]) != FileError::None;
    }
    return failed;
}
