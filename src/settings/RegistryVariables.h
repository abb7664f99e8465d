// Settings that persist in the current user's store under the program's key: each object reads its value
// once when created, holds it while the program runs, and writes it on Write() and, when the program changed
// it or the store lacks it, when destroyed.
// Also the shared register of the maker's programs ("App Paths") and read access to other programs' keys.
// A QCoreApplication must exist: the program key is named after the instance (InstanceName.h).
#pragma once

#include "InstanceName.h"

#include <QString>
#include <optional>

class TRegistryVariable {
public:
    explicit TRegistryVariable(const QString& name);
    virtual ~TRegistryVariable() = default;
    TRegistryVariable(const TRegistryVariable&) = delete;
    TRegistryVariable& operator=(const TRegistryVariable&) = delete;

    // Stores the current value now, creating the key when missing; a failure leaves the store as it is
    // (CheckStoredKey, RegistryStore.h, says at start why a key's changes cannot be kept).
    virtual void Write() = 0;

    // What the operator should hear about the stored value: set when it could not be taken and the default
    // stands in for it ("Setting Satellite=7 is outside 0 to 3: the default 0 is used", "Setting
    // KeepImagesDays=abc is not a whole number: the default 0 is used"); empty otherwise.
    const QString& ReadWarning() const { return Warning; }

    const QString ValueName;
    // The program's key below the vendor key, in the current user's store.
    const QString KeyName;

protected:
    // True while the store holds a value of this name, of whatever type.
    bool IsStored() const;

    QString Warning;
};

// The value and what the store was last found or made to hold. Destruction writes the value only when the
// program changed it since, or when the store lacks it: an option left alone keeps whatever the store holds
// by then, an operator's edit of the file made while the program ran included, and a first run still fills
// the store with its defaults.
template <class T> class TRegistryValue : public TRegistryVariable {
public:
    ~TRegistryValue() override;
    void Write() final;
    // Writes the value only when the program changed it since it was last read or written, or when the store
    // lacks it, as destruction does.
    void WriteIfChanged();

    T Value;

protected:
    TRegistryValue(const QString& name, const T& value);
    // The value as read, which counts as unchanged.
    void TakeAsRead(const T& value);

private:
    T Stored;
};

// A DWORD of which any non-zero value reads as true. A text that is no number reads as the default and sets
// ReadWarning.
class TRegistryBoolean : public TRegistryValue<bool> {
public:
    TRegistryBoolean(const QString& name, bool defaultValue);
};

struct TIntegerRange {
    qint32 Lowest;
    qint32 Highest;
};

// A stored value outside the range, when one is given, or a text that is no whole number, reads as the
// default and sets ReadWarning.
class TRegistryInteger : public TRegistryValue<qint32> {
public:
    TRegistryInteger(const QString& name, qint32 defaultValue, std::optional<TIntegerRange> range = {});
};

struct TDecimalRange {
    double Lowest;
    double Highest;
};

// A number that may have decimals, stored as text ("99.5", with a point); a whole number stored as a DWORD
// reads as well. A stored value outside the range, or one that is no number, reads as the default and sets
// ReadWarning.
class TRegistryDecimal : public TRegistryValue<double> {
public:
    TRegistryDecimal(const QString& name, double defaultValue, TDecimalRange range);
};

// A stored empty text stays empty; only a missing value (or one of another type) takes the default.
class TRegistryString : public TRegistryValue<QString> {
public:
    TRegistryString(const QString& name, const QString& defaultValue);
};

// A folder: a text read with the trailing separator that a folder value always has (an empty one, meaning
// "not set", stays empty), so that a hand-written "/data/in" names the folder and not a name prefix.
class TRegistryFolder : public TRegistryString {
public:
    TRegistryFolder(const QString& name, const QString& defaultValue);
};

// The executable path that program registered in "App Paths", or empty.
QString ReadAppPath(const QString& programName);

// Records this program's name and full executable path in "App Paths".
void RegisterAppPath();

// A text value of another program's key, or empty.
QString ReadProgramSetting(const QString& programName, const QString& valueName);
