// What the node programs need to behave as the native programs do.
// Standard input, output and error are terminals only where node's are (the
// report escapes control bytes for a terminal, and the C library buffers
// its output by lines only there).
Module['onRuntimeInitialized'] = function () {
  var tty = require('tty');
  for (var fd = 0; fd < 3; fd++) {
    FS.streams[fd].tty = tty.isatty(fd);
  }
};
// An abort (GSL's error handler) ends the process by the signal SIGABRT,
// with nothing written after GSL's report.
Module['onAbort'] = function () {
  process.kill(process.pid, 'SIGABRT');
};
