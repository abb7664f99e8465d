// Sends a file's bytes to a client as fast as it takes them, never holding more than a little of the file
// in memory however slow the client, so that even a full disk of 21696 × 21696 pixels costs little to serve.
#pragma once

#include <QFile>
#include <QObject>
#include <memory>

class QTcpSocket;

class FileStream : public QObject {
public:
    enum class Then { KeepOpen, Close };

    // Becomes the socket's child and deletes itself once the file has been sent, closing the connection then
    // when told to; a file that cannot be read to its end cuts the connection, so the client sees the answer
    // short.
    static void Start(QTcpSocket& socket, std::unique_ptr<QFile> file, Then then);

private:
    FileStream(QTcpSocket& socket, std::unique_ptr<QFile> file, Then then);
    void Fill();
    void Finish();

    QTcpSocket& socket_;
    const std::unique_ptr<QFile> file_;
    const Then then_;
};
