// Settings that persist in the current user's store under the program's key: each object reads its value
// once when created, holds it while the program runs, and writes it on Write() and when destroyed.
// Also the shared register of the maker's programs ("App Paths") and read access to other programs' keys.
// A QCoreApplication must exist: the program key is named after the instance (InstanceName.h).
#pragma once

#include "InstanceName.h"

#include <QString>

class TRegistryVariable {
public:
    explicit TRegistryVariable(const QString& name);
    virtual ~TRegistryVariable() = default;
    TRegistryVariable(const TRegistryVariable&) = delete;
    TRegistryVariable& operator=(const TRegistryVariable&) = delete;

    // Stores the current value now, creating the key when missing; a failure is silent.
    virtual void Write() = 0;

    const QString ValueName;
    // The program's key below the vendor key, in the current user's store.
    const QString KeyName;
};

// A DWORD of which any non-zero value reads as true.
class TRegistryBoolean : public TRegistryVariable {
public:
    TRegistryBoolean(const QString& name, bool defaultValue);
    ~TRegistryBoolean() override;
    void Write() override;

    bool Value;
};

class TRegistryInteger : public TRegistryVariable {
public:
    TRegistryInteger(const QString& name, qint32 defaultValue);
    ~TRegistryInteger() override;
    void Write() override;

    qint32 Value;
};

// A stored empty text stays empty; only a missing value (or one of another type) takes the default.
class TRegistryString : public TRegistryVariable {
public:
    TRegistryString(const QString& name, const QString& defaultValue);
    ~TRegistryString() override;
    void Write() override;

    QString Value;
};

// The executable path that program registered in "App Paths", or empty.
QString ReadAppPath(const QString& programName);

// Records this program's name and full executable path in "App Paths".
void RegisterAppPath();

// A text value of another program's key, or empty.
QString ReadProgramSetting(const QString& programName, const QString& valueName);
