// Stratolux: watches the receiver's folder and turns GOES-R ABI full-disk radiance files into images.
#include "ProcessingLog.h"
#include "ShutdownSignals.h"
#include "StratoluxForm.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TFormStratolux form(app.arguments().mid(1), DefaultLogFileName());
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::ShutdownRequested, &form,
                     &TFormStratolux::WMQueryEndSession);
    QObject::connect(&form, &TFormStratolux::EndSessionAgreed, &app, &QApplication::quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &shutdownSignals,
                     &ShutdownSignals::SessionEnding);
    form.show();
    return app.exec();
}
