// The threads that decode, reduce and free the viewer's pictures.
#include "ViewerWorkers.h"

#include <QThreadPool>

QThreadPool& ViewerWorkers() {
    static QThreadPool workers;
    return workers;
}
