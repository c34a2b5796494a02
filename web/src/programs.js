// The programs in a Web Worker: each program's WebAssembly compiled once,
// and a fresh instance for every run, on files written at paths of their
// own, with an empty standard input and its standard output and error
// caught byte for byte.

// A growing buffer of the bytes a program writes.
function sink() {
  let bytes = new Uint8Array(1024);
  let length = 0;
  return {
    put(byte) {
      if (length === bytes.length) {
        const larger = new Uint8Array(bytes.length * 2);
        larger.set(bytes);
        bytes = larger;
      }
      bytes[length++] = byte & 0xff;
    },
    take() {
      return bytes.slice(0, length);
    },
  };
}

// Write files into a program's file system: {path, bytes} as a file,
// {path, kind: "folder"} as a folder, {path, kind: "unreadable"} as a file
// that refuses to be opened; {path, kind: "missing"} is not written.
function writeFiles(fs, files) {
  const folders = new Set();
  for (const file of files) {
    const folder = file.path.slice(0, file.path.lastIndexOf('/'));
    if (folder !== '' && !folders.has(folder)) {
      fs.mkdirTree(folder);
      folders.add(folder);
    }
    if (file.kind === 'folder') {
      fs.mkdir(file.path);
    } else if (file.kind === 'unreadable') {
      fs.writeFile(file.path, new Uint8Array(0));
      fs.chmod(file.path, 0);
    } else if (file.kind !== 'missing') {
      fs.writeFile(file.path, file.bytes);
    }
  }
}

// Return a runner of programs, each {factory, wasm}: the factory of an
// Emscripten module and a function that resolves to its WebAssembly's bytes. run(name, args, files,
// outputs) resolves to {stdout, stderr, ending, status, written}: ending
// "complete", "error" (a status other than 0) or "abort", and written the
// bytes of each file at the paths outputs, in folders made for them, that
// the run wrote (null where it wrote none); compile(name) compiles the
// program named, and compileAll() every program.
export function programRunner(programs) {
  const compiled = new Map();
  function compile(name) {
    if (!compiled.has(name)) {
      compiled.set(name, programs[name].wasm().then((bytes) => WebAssembly.compile(bytes)));
    }
    return compiled.get(name);
  }
  async function run(name, args, files, outputs = []) {
    const module = await compile(name);
    const out = sink();
    const err = sink();
    const result = { ending: 'complete', status: 0 };
    const config = {
      noInitialRun: true,
      locateFile: (path) => path,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
        return {};
      },
      print() {},
      printErr() {},
      preRun: [() => {
        // Standard input is empty: a program never waits for, nor asks, anyone.
        config.FS.init(() => null, (byte) => byte !== null && out.put(byte),
          (byte) => byte !== null && err.put(byte));
      }],
      onExit(status) {
        result.status = status;
      },
      onAbort() {
        result.ending = 'abort';
      },
    };
    let instance = null;
    try {
      instance = await programs[name].factory(config);
      writeFiles(instance.FS, files);
      for (const output of outputs) {
        instance.FS.mkdirTree(output.slice(0, output.lastIndexOf('/')));
      }
      instance.callMain(args);
    } catch (error) {
      // An exit or an abort ends main by an exception; an abort while the
      // instance is made rejects it.
      if (error && error.name !== 'ExitStatus' && result.ending !== 'abort') {
        throw error;
      }
    }
    if (result.ending !== 'abort' && result.status !== 0) {
      result.ending = 'error';
    }
    // The files the run wrote at the paths asked for; one it did not write is null.
    const written = outputs.map((output) => {
      try {
        return instance.FS.readFile(output);
      } catch {
        return null;
      }
    });
    return { stdout: out.take(), stderr: err.take(), ending: result.ending, status: result.status, written };
  }
  return { run, compile, compileAll: () => Promise.all(Object.keys(programs).map(compile)) };
}
