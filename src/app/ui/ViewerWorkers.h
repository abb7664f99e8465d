// The threads that decode, reduce and free the viewer's pictures.
#pragma once

class QThreadPool;

// Kept apart from Qt's global pool, which Qt's own painting uses: drawing a window-sized image converts it in
// parts on the global pool and waits for them, so a full disk decoding there for seconds would hold up the
// window's event loop.
QThreadPool& ViewerWorkers();
