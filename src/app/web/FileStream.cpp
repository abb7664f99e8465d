// Sending a file in pieces as the client takes them.
#include "FileStream.h"

#include <QTcpSocket>

namespace {

constexpr qint64 kPieceBytes = 256 * 1024;
// More than this waiting to be sent, and reading waits for the client.
constexpr qint64 kMostWaitingBytes = 1024 * 1024;

} // namespace

void FileStream::Start(QTcpSocket& socket, std::unique_ptr<QFile> file) {
    (new FileStream(socket, std::move(file)))->Fill();
}

FileStream::FileStream(QTcpSocket& socket, std::unique_ptr<QFile> file)
    : QObject(&socket), socket_(socket), file_(std::move(file)) {
    connect(&socket_, &QTcpSocket::bytesWritten, this, &FileStream::Fill);
}

void FileStream::Fill() {
    while (!file_->atEnd() && socket_.bytesToWrite() < kMostWaitingBytes) {
        const QByteArray piece = file_->read(kPieceBytes);
        if (piece.isEmpty() || socket_.write(piece) != piece.size()) {
            Finish();
            socket_.abort();
            return;
        }
    }
    if (file_->atEnd()) Finish();
}

void FileStream::Finish() {
    disconnect(&socket_, nullptr, this, nullptr);
    deleteLater();
}
