// The stored placement of a window: state, position, frame size and client size as seven integer settings.
#pragma once

#include "RegistryVariables.h"

#include <QStringList>
#include <array>
#include <memory>

class QWidget;

class TRegistryFormInfo {
public:
    // Reads the seven settings, each with the window's current value as its default.
    explicit TRegistryFormInfo(QWidget& window);
    // Saves, then destroys the settings.
    ~TRegistryFormInfo();
    TRegistryFormInfo(const TRegistryFormInfo&) = delete;
    TRegistryFormInfo& operator=(const TRegistryFormInfo&) = delete;

    // Copies the window's current values into the settings and writes them.
    void Save();
    // Moves the window to the stored left and top; size and state are stored but not restored.
    void Restore();
    // What could not be taken of the stored values, for the log.
    QStringList ReadWarnings() const;

private:
    static constexpr std::size_t kValueCount = 7;
    using TValues = std::array<qint32, kValueCount>;

    TValues CurrentValues() const;
    void CopyCurrentValues();

    QWidget& Window;
    // "FormState", "FormLeft", "FormTop", "FormWidth", "FormHeight", "FormClientWidth", "FormClientHeight".
    std::array<std::unique_ptr<TRegistryInteger>, kValueCount> Settings;
};
