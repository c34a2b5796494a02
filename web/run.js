// Running the programs in the page: a fresh instance of a program's module
// for each run, on files written under /work, with its standard output and
// error captured byte for byte.
'use strict';

// Run a program's factory on files written under /work, with args; resolve
// to its standard output and error as bytes and how it ended.
function run(factory, args, inputs) {
  var out = [];
  var err = [];
  var result = { ending: 'complete', status: 0 };
  var config = {
    noInitialRun: true,
    print: function () {},
    printErr: function () {},
    preRun: [function () {
      config.FS.init(null,
        function (b) { if (b !== null) out.push(b & 0xff); },
        function (b) { if (b !== null) err.push(b & 0xff); });
    }],
    onExit: function (status) { result.status = status; },
    onAbort: function () { result.ending = 'abort'; }
  };
  return factory(config).then(function (module) {
    module.FS.mkdir('/work');
    inputs.forEach(function (file) { module.FS.writeFile('/work/' + file.name, file.bytes); });
    module.FS.chdir('/work');
    try {
      module.callMain(args);
    } catch (e) {
      // An exit or an abort ends main by an exception.
    }
    return finish();
  }, function () {
    result.ending = 'abort';
    return finish();
  });
  function finish() {
    if (result.ending !== 'abort' && result.status !== 0) {
      result.ending = 'error';
    }
    result.stdout = new Uint8Array(out);
    result.stderr = new Uint8Array(err);
    return result;
  }
}

function text(bytes) {
  return new TextDecoder('utf-8').decode(bytes);
}

// A name a file can have under /work.
function safeName(name) {
  return name.replace(/[\/\0]/g, '_') || 'input';
}
