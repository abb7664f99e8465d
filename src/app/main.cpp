// Stratolux: watches the receiver's folder and turns GOES-R ABI full-disk radiance files into images.
#include "ProcessingLog.h"
#include "ShutdownSignals.h"
#include "StratoluxForm.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TFormStratolux form(app.arguments().mid(1), DefaultLogFileName());
    ShutdownSignals shutdownSignals;
    const auto endSession = [&form] {
        form.WMQueryEndSession();
        QApplication::quit();
    };
    QObject::connect(&shutdownSignals, &ShutdownSignals::ShutdownRequested, &form, endSession);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form] { form.WMQueryEndSession(); });
    form.show();
    return app.exec();
}
