// The command line of a benchmark's main: its arguments, and its usage when they do not fit.
#pragma once

#include <QFileInfo>
#include <QStringList>
#include <cstdio>

class BenchArguments {
public:
    // `usage` names the arguments after the program's own name. Made after the application, which takes Qt's
    // options out of argv, it holds what the application's arguments() holds.
    BenchArguments(int argc, char** argv, const char* usage) : usage_(usage) {
        for (int i = 0; i < argc; ++i) arguments_ << QString::fromLocal8Bit(argv[i]);
    }

    // How many arguments follow the program's name.
    int Count() const { return static_cast<int>(arguments_.size()) - 1; }

    // The argument at `index`, 1 being the first after the program's name; empty when not given.
    QString operator[](int index) const { return arguments_.value(index); }

    // The arguments from `index` on.
    QStringList From(int index) const { return arguments_.mid(index); }

    // The number at `index`, or `fallback` when it is not given.
    int NumberOr(int index, int fallback) const {
        return index < arguments_.size() ? arguments_[index].toInt() : fallback;
    }

    // Prints the usage on standard error; the status the main then returns.
    int Usage() const {
        std::fprintf(stderr, "usage: %s %s\n", qPrintable(QFileInfo(arguments_.value(0)).fileName()), usage_);
        return 2;
    }

private:
    QStringList arguments_;
    const char* usage_;
};
