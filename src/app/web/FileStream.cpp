// Sending a file in pieces as the client takes them.
#include "FileStream.h"

#include <QTcpSocket>

namespace {

constexpr qint64 kPieceBytes = 256 * 1024;
// More than this waiting to be sent, and reading waits for the client.
constexpr qint64 kMostWaitingBytes = 1024 * 1024;

} // namespace

void FileStream::Start(QTcpSocket& socket, std::unique_ptr<QFile> file, Then then) {
    (new FileStream(socket, std::move(file), then))->Fill();
}

FileStream::FileStream(QTcpSocket& socket, std::unique_ptr<QFile> file, Then then)
    : QObject(&socket), socket_(socket), file_(std::move(file)), then_(then) {
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
    if (!file_->atEnd()) return;
    Finish();
    // After what is still waiting to be sent.
    if (then_ == Then::Close) socket_.disconnectFromHost();
}

void FileStream::Finish() {
    disconnect(&socket_, nullptr, this, nullptr);
    deleteLater();
}
