// Test helper. With no arguments: registers this executable in "App Paths". With <key> <own value>
// <other value> <count>: writes 0..count-1 into its own value one by one; each write must succeed, and after
// it its own value must read back and the other writer's number must never go back. Exit code 1 when either
// fails.
#include "RegistryStore.h"
#include "RegistryVariables.h"

#include <QCoreApplication>

namespace {

int StoredNumber(const QString& key, const QString& value) {
    const TStoredValue stored = ReadStoredValue(key, value);
    return stored.Type == TStoredType::Text ? stored.Text.toInt() : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        RegisterAppPath();
        return 0;
    }
    if (args.size() != 4) return 2;
    const QString &key = args[0], &own = args[1], &other = args[2];
    const int count = args[3].toInt();
    int otherSeen = -1;
    for (int i = 0; i < count; ++i) {
        if (!WriteStoredText(key, own, QString::number(i))) return 1;
        const int otherNow = StoredNumber(key, other);
        if (StoredNumber(key, own) != i || otherNow < otherSeen) return 1;
        otherSeen = otherNow;
    }
    return 0;
}
