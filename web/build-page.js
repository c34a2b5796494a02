// Puts the page together as one file: node build-page.js OUT PAGE.html
// STYLE.css SCRIPT.js... Each script is inlined, in the order given, its
// "</script" written so that it cannot end the element early.
'use strict';
const fs = require('fs');
const [out, page, style, ...scripts] = process.argv.slice(2);
const inline = (file) =>
  '<script>\n' + fs.readFileSync(file, 'utf8').replace(/<\/script/gi, '<\\/script') + '\n</script>';
const html = fs
  .readFileSync(page, 'utf8')
  .replace('/* style */', () => fs.readFileSync(style, 'utf8'))
  .replace('<!-- scripts -->', () => scripts.map(inline).join('\n'));
fs.writeFileSync(out, html);
console.log(out + ': ' + Buffer.byteLength(html) + ' bytes');
