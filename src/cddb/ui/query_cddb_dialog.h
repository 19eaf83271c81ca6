// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The CDDB query dialog: the server, the script path and an optional HTTP
// proxy. "Query" stores them in the connection settings and runs the wait
// dialog; when that finishes the query, this dialog closes too, and then
// tells in a message box why, when the query call failed.
//
// Threads: GUI thread.

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

#include "cd/access/cd_access.h"
#include "cddb/ui/disc_fields_target.h"
#include "settings/options_setting.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The server list: the default first, then the other hosts that answer this
// protocol today.
inline constexpr std::array<const char*, 2> kCddbServers = {kDefaultCDDBServer, "www.gnudb.org"};

class TfrmQueryCDDB final : public QDialog {
    Q_OBJECT

public:
    // connection is the settings record's, changed by "Query"; both it and
    // target must outlive the dialog. userEmail is the address the queries
    // introduce themselves with (see CddbHelloEmail); by default the one in
    // the settings when the dialog is made.
    TfrmQueryCDDB(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                  TCDHandle cdHandle, TQueryCDDB& connection, DiscFieldsTarget& target,
                  std::string userEmail = OptionsSetting.Metadata.CddbEmail);

    void bQueryClick();
    void bDefaultClick();

private:
    void BuildControls();
    void ShowConnection();
    void StoreConnection();

    const std::uint8_t m_firstTrack;
    const std::uint8_t m_lastTrack;
    const TCDHandle m_cdHandle;
    TQueryCDDB& m_connection;
    DiscFieldsTarget& m_target;
    const std::string m_userEmail;

    QComboBox* cbServer = nullptr;
    QLineEdit* eScript = nullptr;
    QCheckBox* cbProxy = nullptr;
    QLineEdit* eAddress = nullptr;
    QLineEdit* ePort = nullptr;
    QPushButton* bQuery = nullptr;
    QPushButton* bClose = nullptr;
    QPushButton* bDefault = nullptr;
};
