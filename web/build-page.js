// Puts the page together as one file:
//   node build-page.js OUT PROGRAMS GSL MPFR XLSXWRITER
// The page's modules (src/) are bundled by esbuild into one script, with
// the two Web Workers' bundles inside it as text: the programs' (the
// Emscripten modules and their gzipped WebAssembly in PROGRAMS) and
// Graphviz's; and the data files of examples/, which the page loads.
// The script is inlined into page.html with the style, and the page's
// Content-Security-Policy allows it, and no other script, by its hash. The
// page's license names the Debian source packages that the libraries in
// the programs were built from (the built-from file of each library's
// folder GSL, MPFR and XLSXWRITER) and carries libxlsxwriter's license.
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import url from 'node:url';
import zlib from 'node:zlib';
import * as esbuild from 'esbuild';

const here = path.dirname(url.fileURLToPath(import.meta.url));
const [out, programs, gsl, mpfr, xlsxwriter] = process.argv.slice(2).map((argument) => path.resolve(argument));

// Resolve "program:NAME" to the file NAME of the programs' folder,
// "worker:NAME" to the bundle of src/NAME-worker.js as text, and
// "examples" to the list of examples/'s data files, [NAME, bytes] each.
const modules = {
  name: 'modules',
  setup(build) {
    const examples = path.join(here, '..', 'examples');
    build.onResolve({ filter: /^examples$/ }, () => ({ path: examples, namespace: 'examples' }));
    build.onLoad({ filter: /.*/, namespace: 'examples' }, () => {
      const names = fs.readdirSync(examples).filter((name) => name.endsWith('.dat')).sort();
      return {
        contents: names.map((name, k) => 'import example' + k + ' from ' + JSON.stringify('./' + name) + ';\n').join('') +
          'export default [' + names.map((name, k) => '[' + JSON.stringify(name) + ', example' + k + ']').join(', ') + '];\n',
        resolveDir: examples,
      };
    });
    build.onResolve({ filter: /^program:/ }, (args) => ({ path: path.join(programs, args.path.slice(8)) }));
    // The programs' WebAssembly goes in gzipped, a third of its weight; the
    // programs' worker inflates it before compiling it.
    build.onLoad({ filter: /\.wasm$/ }, (args) => ({
      contents: zlib.gzipSync(fs.readFileSync(args.path), { level: 9 }),
      loader: 'binary',
    }));
    build.onResolve({ filter: /^worker:/ }, (args) => ({ path: args.path.slice(7), namespace: 'worker' }));
    build.onLoad({ filter: /.*/, namespace: 'worker' }, async (args) => ({
      contents: await bundle(path.join(here, 'src', args.path + '-worker.js')),
      loader: 'text',
    }));
  },
};

// Return the bundle of entry as one script of text, without the blanks and
// comments that would weigh a tenth of the page (names are kept, so that an
// error's stack still reads). The Emscripten modules ask import.meta.url
// where they stand, which a bundle's script cannot tell: their WebAssembly
// is given to them instead.
async function bundle(entry) {
  const result = await esbuild.build({
    entryPoints: [entry],
    bundle: true,
    write: false,
    format: 'iife',
    target: 'es2020',
    charset: 'utf8',
    legalComments: 'inline',
    minifyWhitespace: true,
    minifySyntax: true,
    define: { 'import.meta.url': 'undefined' },
    loader: { '.wasm': 'binary', '.dat': 'binary' },
    plugins: [modules],
    logLevel: 'warning',
  });
  return result.outputFiles[0].text;
}

// The HTML parser ends or changes a script element at "</script", "<script"
// and "<!--", which Graphviz's texts hold: each "<" of them is written
// \x3C, which means "<" in a string, a template, a regular expression or a
// comment alike.
const script = (await bundle(path.join(here, 'src', 'main.js'))).replace(/<(?=!--|\/?script)/gi, '\\x3C');
const hash = "'sha256-" + crypto.createHash('sha256').update(script, 'utf8').digest('base64') + "'";
// Text as the content of an element.
const escaped = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const builtFrom = (folder) => escaped(fs.readFileSync(path.join(folder, 'built-from'), 'utf8').trim());
const html = fs.readFileSync(path.join(here, 'page.html'), 'utf8')
  .replace('<!-- gsl -->', () => builtFrom(gsl))
  .replace('<!-- mpfr -->', () => builtFrom(mpfr))
  .replace('<!-- xlsxwriter -->', () => builtFrom(xlsxwriter))
  .replace('<!-- xlsxwriter license -->', () => escaped(fs.readFileSync(path.join(xlsxwriter, 'License.txt'), 'utf8')))
  .replace('/* script hashes */', () => hash)
  .replace('/* style */', () => fs.readFileSync(path.join(here, 'page.css'), 'utf8'))
  .replace('<!-- scripts -->', () => '<script>' + script + '</script>');
fs.writeFileSync(out, html);
console.log(out + ': ' + Buffer.byteLength(html) + ' bytes');
