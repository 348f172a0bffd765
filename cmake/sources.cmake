# Sources by folder. Each folder is a library of its own, and target_link_libraries below is the
# dependency graph: base <- script, link <- protocol <- params <- config <- session <- window; base <- journal <- session.
set(DTU_BASE_SOURCES
  base/appstate.h
  base/errors.h
  base/frontend.h
  base/hex.h base/hex.cpp
  base/gbk.h base/gbk.cpp
  base/waitclock.h base/waitclock.cpp
  base/regularfile.h base/regularfile.cpp
)
set(DTU_JOURNAL_SOURCES
  journal/record.h journal/record.cpp
  journal/appendfile.h journal/appendfile.cpp
  journal/journal.h journal/journal.cpp
  journal/undo.h journal/undo.cpp
)
set(DTU_SCRIPT_SOURCES
  script/scriptbridge.h script/scriptbridge.cpp
)
set(DTU_LINK_SOURCES
  link/channel.h
  link/seriallink.h link/seriallink.cpp
  link/tcplink.h link/tcplink.cpp
  link/datachannel.h link/datachannel.cpp
  link/receivedisplay.h link/receivedisplay.cpp
  link/logtext.h link/logtext.cpp
  link/openfailure.h link/openfailure.cpp
)
set(DTU_PROTOCOL_SOURCES
  protocol/frames.h protocol/frames.cpp
  protocol/exchange.h protocol/exchange.cpp
  protocol/commands.h protocol/commands.cpp
  protocol/replybounds.h protocol/replybounds.cpp
  protocol/signalpoll.h protocol/signalpoll.cpp
  protocol/replyend.h protocol/replyend.cpp
  protocol/transparent.h protocol/transparent.cpp
)
set(DTU_PARAMS_SOURCES
  params/choicelist.h params/choicelist.cpp
  params/paramtable.h params/paramtable.cpp
  params/rows.h params/rows.cpp
  params/changes.h params/changes.cpp
  params/jsontext.h params/jsontext.cpp
  params/valuecodec.h params/valuecodec.cpp
  params/editor.h params/editor.cpp
  params/displayvalue.h params/displayvalue.cpp
  params/reader.h params/reader.cpp
  params/writer.h params/writer.cpp
  params/verify.h params/verify.cpp
  params/hookoperation.h params/hookoperation.cpp
)
set(DTU_CONFIG_SOURCES
  config/textfile.h config/textfile.cpp
  config/config.h config/config.cpp
  config/profile.h config/profile.cpp
)

# The window (static library dtugui, shared by the executable and the GUI tests).
set(DTUGUI_SOURCES
  app/window/prompter.h app/window/prompter.cpp
  app/window/guistatus.h app/window/guistatus.cpp
  app/window/widgetkit.h app/window/widgetkit.cpp
  app/window/pagehost.h
  app/window/mainwindow.h app/window/mainwindow.cpp
  app/window/configscreen.h app/window/configscreen.cpp
  app/window/filemenu.h app/window/filemenu.cpp
  app/window/logpane.h app/window/logpane.cpp
  app/window/paramtablemodel.h app/window/paramtablemodel.cpp
  app/window/timerhold.h
  app/window/comm_page.h app/window/comm_page.cpp
  app/window/transparent_page.h app/window/transparent_page.cpp
  app/window/control_page.h app/window/control_page.cpp
  app/window/devicecommands.h app/window/devicecommands.cpp
  app/window/interface_page.h app/window/interface_page.cpp
  app/window/param_pages.h app/window/param_pages.cpp
  app/window/progresspanel.h app/window/progresspanel.cpp
  app/window/param_editor.h app/window/param_editor.cpp
  app/window/editoraccess.h app/window/editoraccess.cpp
  app/window/logbox.h app/window/logbox.cpp
  app/window/portbox.h app/window/portbox.cpp
  app/window/signalgraph.h app/window/signalgraph.cpp
  app/window/appicon.h app/window/appicon.cpp
  app/window/historydialog.h app/window/historydialog.cpp
  app/window/journalentries.h app/window/journalentries.cpp
  app/window/resources.qrc
)

set(DTUCFG_GUI_SOURCES
  app/main.cpp
)
set(DTU_SESSION_SOURCES
  session/results.h
  session/session.h session/session.cpp
  session/rowops.cpp
  session/sessionjournal.h session/sessionjournal.cpp
  session/journaling.cpp
)

# The command-line program (no widgets).
set(DTUCLI_SOURCES
  cli/target.h
  cli/options.h cli/options.cpp
  cli/progress.h cli/progress.cpp
  cli/devicejob.h cli/devicejob.cpp
  cli/deviceworker.h cli/deviceworker.cpp
  cli/applyreport.h cli/applyreport.cpp
  cli/journaljob.h cli/journaljob.cpp
  cli/targets.h cli/targets.cpp
  cli/values.h cli/values.cpp
  cli/runner.h cli/runner.cpp
  cli/outcome.cpp
  cli/history.h cli/history.cpp
  cli/main.cpp
)
